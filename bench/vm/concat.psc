s := ''
for i := 1 to 1000000 do s := s + 'x'
Result := s[1000000]
