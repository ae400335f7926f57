// A member assignment: value, object, exchange, then the property write (late bound here).
obj := Null
obj.Caption := 'x'
obj.Items[1] := obj.Items[2]
obj.Run(1, 'a')
v := obj.Sub.Value
(* expect:
0 inPrepare Int1=3 Text='___MAIN___'
1 inStoreVarConst Int1=1 Byte1=2 Text='Nullobj'
2 inPushString Text='x'
3 inPushVar Int1=1 Text='obj'
4 inSwap2
5 inCallProc Int1=-1 Byte1=255 Byte2=0 Int2=0 Int4=2 Text='Caption'
6 inPushVar Int1=1 Text='obj'
7 inPushInteger Int1=2
8 inCallProc Int1=-1 Byte1=0 Byte2=0 Int2=1 Int4=1 Text='Items'
9 inPushOutput Int1=0
10 inPushVar Int1=1 Text='obj'
11 inSwap2
12 inPushInteger Int1=1
13 inCallProc Int1=-1 Byte1=255 Byte2=0 Int2=1 Int4=2 Text='Items'
14 inPushVar Int1=1 Text='obj'
15 inPushInteger Int1=1
16 inPushString Text='a'
17 inCallProc Int1=-1 Byte1=2 Byte2=1 Int2=0 Int4=3 Text='Run'
18 inPushVar Int1=1 Text='obj'
19 inCallProc Int1=-1 Byte1=0 Byte2=0 Int2=0 Int4=1 Text='Sub'
20 inPushOutput Int1=0
21 inCallProc Int1=-1 Byte1=0 Byte2=0 Int2=0 Int4=1 Text='Value'
22 inPushOutput Int1=0
23 inStoreVar Int1=2 Text='v'
24 inPushVar Int1=0 Text='Result'
25 inRet
*)
