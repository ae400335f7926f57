SampleName := ''

//MS
if PDFContains('Quantitation Report') then begin
  SampleName := PDFBetween('Sample',NewLine)
  SampleName := Left(After(SampleName,':'),16)
end

//GCLC
if PDFContains('Acq. Operator') then begin
  SampleName := PDFBetween('Sample Name',NewLine)
  SampleName := Left(After(SampleName,':'),16)
end

Log('SampleName',SampleName)

//PDF Destination
if SampleName<>'' then begin
  Destination := 'C:\PDFSTORE\'+SampleName+'.PDF'
end else begin
  Destination := FailedFolder + PDFName
  LogErr('Unrecognized',Destination)
end

//Only in automatic mode
if IsAutomatic then begin
  PDFMoveTo(Destination)
end
