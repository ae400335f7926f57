// After a try-except that completed normally, a later error is still wrapped and reported.
try
  x := 1
except
  x := 2
end
y := 'a' + 2
// runtime error: Could not convert variant of type (String) into type (Double) when evaluating instruction OperAdd ($0,$0,$0,$0,'').
