// A member assignment: value, object, exchange, then the property write (late bound here).
obj := Null
obj.Caption := 'x'
obj.Items[1] := obj.Items[2]
obj.Run(1, 'a')
v := obj.Sub.Value
