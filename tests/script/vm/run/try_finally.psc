// The finally part runs on the normal way out, on exit, and on an error that then goes on outward.
procedure WithExit
begin
  try
    Print('body')
    exit
    Print('never')
  finally
    Print('finally after exit')
  end
  Print('never either')
end;

function Value
begin
  Result := 'first'
  try
    exit
  finally
    Result := 'from finally'
  end
end;

WithExit                         // expect: body
                                 // expect: finally after exit
Print(Value)                     // expect: from finally
try
  Print('plain')                 // expect: plain
finally
  Print('finally')               // expect: finally
end
try
  try
    x := 1 div 0
  finally
    Print('cleanup')             // expect: cleanup
  end
except
  Print('outer caught')          // expect: outer caught
end
