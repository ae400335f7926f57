// Stores of constants and copies between locals are single instructions; other values are stored.
x := 5
y := x
s := 'a'
b := True
d := 1.5
z := x + 1
n := Null
