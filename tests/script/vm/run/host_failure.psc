// A host routine that fails becomes a run-time error of the script; try-except catches it.
try
  Fail('inner')
except
  Print('caught')       // expect: caught
end
Fail('outer')
// runtime error: outer when evaluating instruction CallProc
