// with on a variable of a registered class: members resolve at compile time through a hidden local.
var o: TTestObject
with o do begin
  Name := 'x'
  Count := Count + 1
  Add(2)
end
(* expect:
0 inGlobalPrepare Int1=1
1 inPrepare Int1=2 Text='___MAIN___'
2 inPushGlobalVar Int1=0 Text='o'
3 inStoreVar Int1=1 Text='#With1'
4 inPushString Text='x'
5 inWithObject Int1=1
6 inCallProc Int1=-1 Byte1=255 Byte2=0 Int2=0 Int4=786434 Text='Name'
7 inWithObject Int1=1
8 inCallProc Int1=-1 Byte1=0 Byte2=0 Int2=0 Int4=786437 Text='Count'
9 inPushOutput Int1=0
10 inPushInteger Int1=1
11 inOperAdd
12 inWithObject Int1=1
13 inCallProc Int1=-1 Byte1=255 Byte2=0 Int2=0 Int4=786438 Text='Count'
14 inPushInteger Int1=2
15 inWithObject Int1=1
16 inCallProc Int1=-1 Byte1=1 Byte2=1 Int2=0 Int4=786435 Text='Add'
17 inPushVar Int1=0 Text='Result'
18 inRet
*)
