// Value arrays, sets, null tests and script-made objects.
a := VarArrayCreate([1, 3], 12);
Print(Low(a))                     // expect: 1
Print(High(a))                    // expect: 3
a[3] := 'three';
Print(a[3])                       // expect: three
b := VarArrayCreate([0, 1, 2, 4], 3);
Print(VarArrayLowBound(b, 2))     // expect: 2
Print(VarArrayHighBound(b, 2))    // expect: 4
Print(VarArrayHighBound(b, 1))    // expect: 1
Print(KindOf(b[1, 4]))            // expect: Integer
Print(High([7, 8, 9]))            // expect: 2
Print(SetOf([0, 3, 33]))          // expect: 11
Print(SetOf([31]))                // expect: -2147483648
Print(SetOf(6))                   // expect: 6
Print(VarIsNull(Null))            // expect: True
Print(VarIsNull(0))               // expect: False
Print(VarIsNull(''))              // expect: False
Print(Assigned(0))                // expect: False
o := TObject.Create;
Print(Assigned(o))                // expect: True
o.Free;
Print(Assigned(Machine) = Assigned(Scripter))  // expect: True
Print(Machine <> Scripter)        // expect: True
reply := 'kept';
Print(InputQuery('Caption', 'Prompt', reply))  // expect: False
ShowMessage('nobody sees this without a window');
Print(reply)                     // expect: kept
Beep;
