// Stores of constants and copies between locals are single instructions; other values are stored.
x := 5
y := x
s := 'a'
b := True
d := 1.5
z := x + 1
n := Null
(* expect:
0 inPrepare Int1=8 Text='___MAIN___'
1 inStoreVarInteger Int1=1 Int3=5 Text='x'
2 inCopyVar Int1=1 Int3=2 Text='xy'
3 inStoreVarString Int1=3 Int4=1 Text='as'
4 inStoreVarConst Int1=4 Byte1=0 Text='Trueb'
5 inStoreVarDouble Int1=5 Real=1.5 Text='d'
6 inPushVar Int1=1 Text='x'
7 inPushInteger Int1=1
8 inOperAdd
9 inStoreVar Int1=6 Text='z'
10 inStoreVarConst Int1=7 Byte1=2 Text='Nulln'
11 inPushVar Int1=0 Text='Result'
12 inRet
*)
