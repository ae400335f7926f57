// Without short-circuit evaluation both operands of and/or are always evaluated.
function F: Integer
begin
  Result := 1
end
function G: Integer
begin
  Result := 0
end
if F() or G() and F then x := 1
