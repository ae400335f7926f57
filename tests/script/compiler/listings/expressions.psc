// Precedence: unary binds tightest, then ^ is, then * / div mod and shl shr, then + - or xor, then
// comparisons; equal precedence associates to the left.
a := 1
b := 2
x := -a * b
x := not a = b
x := a = b and a = b
x := a - b - $1F + (a - b)
x := [a, 'b', [1]]
x := 'Line'#13#10'next'
(* expect:
0 inPrepare Int1=4 Text='___MAIN___'
1 inStoreVarInteger Int1=1 Int3=1 Text='a'
2 inStoreVarInteger Int1=2 Int3=2 Text='b'
3 inPushVar Int1=1 Text='a'
4 inOperNeg
5 inPushVar Int1=2 Text='b'
6 inOperMul
7 inStoreVar Int1=3 Text='x'
8 inPushVar Int1=1 Text='a'
9 inOperNot
10 inPushVar Int1=2 Text='b'
11 inOperEqual
12 inStoreVar Int1=3 Text='x'
13 inPushVar Int1=1 Text='a'
14 inPushVar Int1=2 Text='b'
15 inPushVar Int1=1 Text='a'
16 inOperAnd
17 inOperEqual
18 inPushVar Int1=2 Text='b'
19 inOperEqual
20 inStoreVar Int1=3 Text='x'
21 inPushVar Int1=1 Text='a'
22 inPushVar Int1=2 Text='b'
23 inOperSub
24 inPushInteger Int1=31
25 inOperSub
26 inPushVar Int1=1 Text='a'
27 inPushVar Int1=2 Text='b'
28 inOperSub
29 inOperAdd
30 inStoreVar Int1=3 Text='x'
31 inPushVar Int1=1 Text='a'
32 inPushString Text='b'
33 inPushInteger Int1=1
34 inArrayOf Int1=1
35 inArrayOf Int1=3
36 inStoreVar Int1=3 Text='x'
37 inStoreVarString Int1=3 Int4=10 Text='Line'#13#10'nextx'
38 inPushVar Int1=0 Text='Result'
39 inRet
*)
