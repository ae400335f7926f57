for i := 1 to 3 do Print(i)       // expect: 1
                                  // expect: 2
                                  // expect: 3
Print(i)                          // expect: 4
for j := 3 downto 1 do k := j
Print(j)                          // expect: 0
for m := 1 to 2 step 0.5 do Print(m)   // expect: 1
                                       // expect: 1.5
                                       // expect: 2
n := 0
while True do
begin
  n := n + 1
  if n > 4 then begin
    if n = 5 then break
  end
end
Print(n)                          // expect: 5
c := 0
repeat
  c := c + 1
  if c < 3 then continue
  Print(c)                        // expect: 3
until c >= 3
