// Precedence: unary binds tightest, then ^ is, then * / div mod and shl shr, then + - or xor, then
// comparisons; equal precedence associates to the left.
a := 1
b := 2
x := -a * b
x := not a = b
x := a = b and a = b
x := a - b - $1F + (a - b)
x := [a, 'b', [1]]
x := 'Line'#13#10'next'
