// Routines: a call before the body, var parameters, forward declarations, Exit and the main jump.
var v
procedure First;
begin
  Second(1, v)
end

procedure Second(a; var b)
begin
  b := a
  if a > 0 then Exit
end

function Twice(x): Integer; forward;
function Twice(x): Integer
begin
  Result := x * 2
end

w := 0
First
Second(2, w)
w := Twice(w)
