s := ''
for i := 1 to 200000 do s := s + 'x'
Result := s[200000]
