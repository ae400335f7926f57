// Script routines: functions, var parameters, by-value parameters that receive references.
function Fact(n)
begin
  if n <= 1 then Result := 1 else Result := n * Fact(n - 1)
end;

procedure Swap(var a, b)
begin
  t := a
  a := b
  b := t
end;

procedure Change(v)
begin
  v := 'changed'
end;

function Early(n)
begin
  Result := Later(n)
end;

function Later(n)
begin
  Result := n * n
end;

function Keep(flag)
begin
  if flag then Result := 'set'
end;

x := 1
y := 2
Swap(x, y)
Print(x)              // expect: 2
Print(y)              // expect: 1
z := 'kept'
Change(z)
Print(z)              // expect: kept
Print(Fact(10))       // expect: 3628800
Print(Keep(True))     // expect: set
// Result is not reset between calls: the second call reads what the slot still holds.
Print(Keep(False))    // expect: set
Print(Early(3))       // expect: 9
