a := 1
b := 0
x := ((((((1))))))
if a then if b then c := [1, [2, (3)]] else d := $FF
