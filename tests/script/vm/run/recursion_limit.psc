// Endless recursion stops with a run-time error instead of taking the process down.
function Deep(n)
begin
  Result := Deep(n + 1)
end;

Deep(1)
// runtime error: Stack overflow
