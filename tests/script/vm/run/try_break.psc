// A break or exit inside a protected part leaves the try block at once, through its finally part.
i := 0
while i < 5 do
begin
  i := i + 1
  try
    if i = 2 then break
  finally
    Print(i)                     // expect: 1
  end                            // expect: 2
end
Print('after loop')              // expect: after loop
Print(i)                         // expect: 2
j := 0
while j < 3 do
begin
  j := j + 1
  try
    if j = 1 then continue
    Print('body ' + 'two')       // expect: body two
    break
  except
    Print('never')
  end
end
x := 'a' + 1
// runtime error: OperAdd
