// not of Null is a run-time error.
var n
begin
  x := not n
end
// runtime error: OperNot
