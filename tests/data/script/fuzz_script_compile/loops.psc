// while and repeat with break and continue.
i := 0
while i < 10 do begin
  i := i + 1
  if i = 5 then Continue
  if i = 8 then Break
end
repeat
  i := i - 1
  if i = 2 then Break
until i = 0
