// The text routines of the system library, with the position rules of Copy, Delete and Insert.
Print(Copy('abcdef', 0, 2))        // expect: ab
Print('[' + Copy('abc', 4, 1) + ']')  // expect: []
Print(Copy('abc', 2, 100))         // expect: bc
Print('[' + Copy('abc', 2, -1) + ']') // expect: []
s := 'abcdef';
Delete(s, 3, 2);
Print(s)                           // expect: abef
Delete(s, 7, 1);
Print(s)                           // expect: abef
Delete(s, 0, 1);
Print(s)                           // expect: abef
Delete(s, 2, 100);
Print(s)                           // expect: a
s := 'abc';
Insert('X', s, 10);
Print(s)                           // expect: abcX
Insert('Y', s, -3);
Print(s)                           // expect: YabcX
Print(Pos('', 'abc'))              // expect: 0
Print(Pos('b', 'abcb'))            // expect: 2
Print(Length('hello'))             // expect: 5
Print(Length(12.5))                // expect: 4
Print(Ord(5))                      // expect: 53
Print(Ord('A'))                    // expect: 65
Print(Ord(''))                     // expect: 0
Print(Chr(321))                    // expect: A
Print('[' + Trim(#9' x y '#13) + ']')      // expect: [x y]
Print('[' + TrimLeft('  x ') + ']')        // expect: [x ]
Print('[' + TrimRight('  x ') + ']')       // expect: [  x]
Print(IsValidIdent('_a1'))         // expect: True
Print(IsValidIdent('1a'))          // expect: False
Print(IsValidIdent(''))            // expect: False
Print(CompareText('abc', 'ABD') < 0)  // expect: True
Print(CompareStr('abc', 'ABC') > 0)   // expect: True
Print(AnsiCompareText('abc', 'ABC'))  // expect: 0
Print(UpperCase('MiXed'))          // expect: MIXED
Print(LowerCase('MiXed'))          // expect: mixed
Print(AnsiUpperCase('stra'#223'e '#233't'#233))  // expect: STRAßE ÉTÉ
Print(Internal.UpperCase('through the library name'))  // expect: THROUGH THE LIBRARY NAME
