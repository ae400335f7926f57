// Failures of the system library are run-time errors that try-except catches; the LastException values
// say what happened.
try
  x := Format('%d', 5);
except
  Print(LastExceptionMessage)           // expect: Format function expects second argument as a variant vector
end
try
  x := Format('%d', ['x']);
except
  Print(LastExceptionMessage)           // expect: Format '%d' invalid or incompatible with argument
end
try
  x := Format('%s', [Null]);
except
  Print(LastExceptionMessage)           // expect: Illegal argument to Format function
end
try
  x := Format('%s %s', ['only one']);
except
  Print(LastExceptionMessage)           // expect: Format '%s %s' invalid or incompatible with argument
end
try
  x := StrToInt('12 ');
except
  Print(LastExceptionMessage)           // expect: '12 ' is not a valid integer value
end
try
  x := StrToFloat('1.2.3');
except
  Print(LastExceptionMessage)           // expect: '1.2.3' is not a valid floating point value
end
try
  x := StrToDate('31/31/2026');
except
  Print(LastExceptionMessage)           // expect: '31/31/2026' is not a valid date
end
try
  x := StrToTime('25:00');
except
  Print(LastExceptionMessage)           // expect: '25:00' is not a valid time
end
try
  x := StrToDateTime('x');
except
  Print(LastExceptionMessage)           // expect: 'x' is not a valid date and time
end
try
  x := EncodeDate(2026, 2, 29);
except
  Print(LastExceptionMessage)           // expect: Invalid argument to date encode
end
try
  x := EncodeTime(24, 0, 0, 0);
except
  Print(LastExceptionMessage)           // expect: Invalid argument to time encode
end
try
  x := VarArrayCreate(5, 12);
except
  Print(LastExceptionMessage)           // expect: Invalid array dimension
end
try
  Raise('my own message');
except
  Print(LastExceptionMessage)           // expect: my own message
  Print(LastExceptionClassName)         // expect: EatRuntimeError
  Print(LastExceptionHelpContext)       // expect: 0
end
try
  Interpret('x := 1');
except
  Print(Pos('Script is not running for debug', LastExceptionMessage) > 0)  // expect: True
  Print(Pos('INTERNAL ERROR', LastExceptionMessage))  // expect: 1
end
try
  x := CreateOleObject('Word.Application');
except
  Print(LastExceptionMessage)  // expect: CreateOleObject('Word.Application'): automation objects are not available on this platform
end
try
  x := GetActiveOleObject('Excel.Application');
except
  Print(Pos('not available on this platform', LastExceptionMessage) > 0)  // expect: True
end
try
  Reset(42);
except
  Print(LastExceptionMessage)           // expect: Reset expects a text file assigned with AssignFile
end
try
  WriteLn(TObject.Create, 'x');
except
  Print(LastExceptionMessage)           // expect: WriteLn expects a text file assigned with AssignFile
end
F := Null;
try
  x := EOF(F);
except
  Print(LastExceptionMessage)           // expect: EOF expects a text file assigned with AssignFile
end
