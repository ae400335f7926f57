// Globals are never fused: the value is pushed and stored. Statements after a var section need a block,
// or the next line's first name would continue the variable list.
const c = 3
var g: Integer;
begin
  g := 5
  g := c
end
