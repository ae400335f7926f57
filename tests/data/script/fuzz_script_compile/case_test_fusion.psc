// Case tests against constants and locals merge with the compare-and-jump instruction.
x := 2
y := 7
case x + 1 of
  1, 2: r := 'low'
  y: r := 'seven'
  'a', 2.5: r := 'odd'
  y + 1: r := 'expr'
else
  r := 'other'
end
