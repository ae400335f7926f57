// The numeric rules: div truncates, mod takes the dividend's sign, * / ^ give Doubles.
Print(7 div 2)           // expect: 3
Print(-7 div 2)          // expect: -3
Print(-7 mod 2)          // expect: -1
Print(7 mod -2)          // expect: 1
Print(7 / 2)             // expect: 3.5
Print(2 ^ 3)             // expect: 8
Print(KindOf(2 ^ 3))     // expect: Double
Print(2 * 3)             // expect: 6
Print(KindOf(2 * 3))     // expect: Double
Print(KindOf(2 + 3))     // expect: Integer
Print(-(3) * 2)          // expect: -6
Print(1 + 2 * 3)         // expect: 7
Print((1 + 2) * 3)       // expect: 9
Print(10 - 2 - 3)        // expect: 5
Print(1 shl 4)           // expect: 16
Print(-1 shr 28)         // expect: -1
Print(256 shr 4)         // expect: 16
Print(6 and 3)           // expect: 2
Print(6 or 3)            // expect: 7
Print(6 xor 3)           // expect: 5
Print($FF + 1)           // expect: 256
Print(1.5e3)             // expect: 1500
