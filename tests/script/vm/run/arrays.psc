a := [1, 'two', 3.5]
Print(a[0])        // expect: 1
Print(a[1])        // expect: two
a[2] := 'x'
Print(a[2])        // expect: x
b := a
b[0] := 'changed'
Print(a[0])        // expect: 1
Print(b[0])        // expect: changed
Print(KindOf([]))  // expect: Array
