// with on a variable of a registered class: members resolve at compile time through a hidden local.
var o: TTestObject
with o do begin
  Name := 'x'
  Count := Count + 1
  Add(2)
end
