// Host routines: by-reference arguments, optional arguments, named values, nested runs.
function Square(n)
begin
  Result := n * n
end;

x := 1
SetTo42(x)
Print(x)                        // expect: 42
y := 1
TrySet(y)
Print(y)                        // expect: 7
TrySet(y + 0)
Print(ArgCountOf(1))            // expect: 1
Print(ArgCountOf(1, 2, 3))      // expect: 3
Print(HostInteger('3,7'))       // expect: 4
Print(HostInteger(True))        // expect: 1
Print(HostInteger(Null))        // expect: 0
Print(HostInteger(2.5))         // expect: 2
Print(Answer)                   // expect: 42
Print(NewLine = #10)            // expect: True
Print(CallBack('Square', 5))    // expect: 25/5
