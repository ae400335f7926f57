function Twice(n)
begin
  Result := n * 2
end;

s := 0
for i := 1 to 1000000 do s := Twice(i)
Result := s
