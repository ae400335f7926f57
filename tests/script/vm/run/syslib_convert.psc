// Conversion and formatting routines, and how Format maps the kinds of its arguments.
Print(IntToHex(255, 4))                 // expect: 00FF
Print(IntToHex(-1, 2))                  // expect: FFFFFFFF
Print(StrToInt(' $1F'))                 // expect: 31
Print(StrToInt('-0x10'))                // expect: -16
Print(StrToIntDef('x', 7))              // expect: 7
Print(IntToStr(-12))                    // expect: -12
Print(IntToStr(30000000000.0))          // expect: 30000000000
Print(Format('%s=%d', ['Count', 5]))    // expect: Count=5
Print('[' + Format('%5.2f|%-4s|%x|%.3d', [3.14159, 'ab', 255, 7]) + ']')  // expect: [ 3.14|ab  |FF|007]
Print(Format('%1:s %0:s', ['a', 'b']))  // expect: b a
Print('[' + Format('%*d', [4, 42]) + ']')  // expect: [  42]
Print(Format('100%%', []))              // expect: 100%
bytes := VarArrayCreate([0, 0], 17);
Print(Format('%d|%s|%.1f', [bytes[0], 'x', EncodeDate(1900, 1, 1)]))  // expect: 0|x|2.0
Print(FloatToStr(0.5))                  // expect: 0.5
Print(FloatToStr(1/3))                  // expect: 0.333333333333333
Print(FormatFloat('#,##0.00', 1234.5))  // expect: 1,234.50
Print(FormatFloat('0.0;(0.0);zero', -2))  // expect: (2.0)
Print(StrToFloat('2.5') * 2)            // expect: 5
Print('[' + VarToStr(Null) + ']')       // expect: []
Print(VarToStr(True))                   // expect: True
