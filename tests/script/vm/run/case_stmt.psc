procedure Name(x)
begin
  case x of
    1: Print('one')
    2, 3: Print('two or three')
  else
    Print('other')
  end
end;

Name(1)        // expect: one
Name(3)        // expect: two or three
Name(9)        // expect: other
case 'b' of
  'a': Print('a')
  'b': Print('b')   // expect: b
end
case 5 of
  1: Print('no')
end
Print('done')  // expect: done
