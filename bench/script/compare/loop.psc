s := 0
for i := 1 to 10000000 do s := s + i
Result := s
