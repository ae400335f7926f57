// A run-time error inside try-except runs the except part, and the script goes on.
try
  x := 1 div 0
  Print('not reached')
except
  Print('caught')       // expect: caught
end
Print('after')          // expect: after
try
  Print('quiet')        // expect: quiet
except
  Print('never')
end
