// Arithmetic: rounding ties to even, truncation towards zero, Inc and Dec on variables.
Print(Round(2.5))        // expect: 2
Print(Round(3.5))        // expect: 4
Print(Round(-2.5))       // expect: -2
Print(Round('3,7'))      // expect: 4
Print(Trunc(-1.7))       // expect: -1
Print(Int(-1.7))         // expect: -1
Print(Frac(-1.7))        // expect: -0.7
Print(Round(1e10))       // expect: 10000000000
Print(Abs(-3))           // expect: 3
Print(Sqr(1.5))          // expect: 2.25
Print(Sqrt(16))          // expect: 4
Print(Exp(0))            // expect: 1
Print(Ln(1))             // expect: 0
Print(Sin(0) + Cos(0))   // expect: 1
Print(Round(ArcTan(1) * 4 * 1000))  // expect: 3142
Print(Odd(3))            // expect: True
Print(Odd(-4))           // expect: False
i := 5;
Inc(i);
Print(i)                 // expect: 6
Dec(i);
Dec(i);
Print(i)                 // expect: 4
i := 2147483647;
Inc(i);
Print(i)                 // expect: -2147483648
r := Random;
if (r >= 0) and (r < 1) then Print('in range')  // expect: in range
