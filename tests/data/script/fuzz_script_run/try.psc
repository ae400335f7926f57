// try ... finally and try ... except: the two end indexes are patched when the parts are left.
try
  x := 1
  try
    x := 2
  except
    x := 3
  end
finally
  Log('done', '')
end
