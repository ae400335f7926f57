// for with a fractional step, with downto, and with a negative integer step.
for i := 1 to 2 step 0.5 do s := i
for j := 3 downto 1 do s := j
for k := 10 to 1 step -2 do begin
  if k = 4 then Break
  Continue
end
