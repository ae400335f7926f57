s := ''
for i := 1 to 200000 do s := s + 'line ' + IntToStr(i) + #13#10
Result := Length(s)
