// Null is not False, equals Null, and is below everything.
var n
if n then Print('then') else Print('else')   // expect: then
Print(Null = Null)        // expect: True
Print(Null < 0)           // expect: True
Print(KindOf(n + 1))      // expect: Null
Print(KindOf(Unassigned)) // expect: Empty
Print(KindOf(Nil))        // expect: Byte
