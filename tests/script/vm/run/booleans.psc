// True is -1; and/or/xor work on the rounded integers; `not` is a boolean test for zero.
x := True and False
Print(x)                          // expect: 0
Print(KindOf(x))                  // expect: Integer
if True and True then Print('taken')   // expect: taken
Print(not (2) = False)            // expect: True
Print(not (0))                    // expect: True
Print(not (2))                    // expect: False
Print(True = -1)                  // expect: True
// A host routine gives booleans as 1 and 0: `if HostTrue then` is taken, `= True` is not.
if HostTrue then Print('plain')   // expect: plain
if HostTrue = True then Print('never')
Print(1 < 2)                      // expect: True
Print('a' < 'b')                  // expect: True
Print('B' < 'a')                  // expect: True
Print('10' = 10)                  // expect: True
