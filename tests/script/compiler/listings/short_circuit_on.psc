// options: ShortBooleanEval
// With short-circuit evaluation, or/and jump past their right operand when the left decides.
a := 1
b := 0
x := a or b
y := a and b or a
(* expect:
0 inPrepare Int1=5 Text='___MAIN___'
1 inStoreVarInteger Int1=1 Int3=1 Text='a'
2 inStoreVarInteger Int1=2 Int3=0 Text='b'
3 inPushVar Int1=1 Text='a'
4 inTestIfTrue Int1=7
5 inPushVar Int1=2 Text='b'
6 inOperOr
7 inStoreVar Int1=3 Text='x'
8 inPushVar Int1=1 Text='a'
9 inTestIfFalse Int1=12
10 inPushVar Int1=2 Text='b'
11 inOperAnd
12 inTestIfTrue Int1=15
13 inPushVar Int1=1 Text='a'
14 inOperOr
15 inStoreVar Int1=4 Text='y'
16 inPushVar Int1=0 Text='Result'
17 inRet
*)
