// Case tests against constants and locals merge with the compare-and-jump instruction.
x := 2
y := 7
case x + 1 of
  1, 2: r := 'low'
  y: r := 'seven'
  'a', 2.5: r := 'odd'
  y + 1: r := 'expr'
else
  r := 'other'
end
(* expect:
0 inPrepare Int1=5 Text='___MAIN___'
1 inStoreVarInteger Int1=1 Int3=2 Text='x'
2 inStoreVarInteger Int1=2 Int3=7 Text='y'
3 inPushVar Int1=1 Text='x'
4 inPushInteger Int1=1
5 inOperAdd
6 inStoreVar Int1=3 Text='#Case1'
7 inVarTestInteger Int1=9 Byte1=1 Int3=3 Int4=1
8 inVarTestInteger Int1=11 Byte1=0 Int3=3 Int4=2
9 inStoreVarString Int1=4 Int4=3 Text='lowr'
10 inJump Int1=25
11 inVarTestVar Int1=14 Byte1=0 Int3=2 Int4=3
12 inStoreVarString Int1=4 Int4=5 Text='sevenr'
13 inJump Int1=25
14 inVarTestString Int1=16 Byte1=1 Int3=3 Int4=1 Text='a#Case1'
15 inVarTestDouble Int1=18 Byte1=0 Int2=3 Real=2.5
16 inStoreVarString Int1=4 Int4=3 Text='oddr'
17 inJump Int1=25
18 inPushVar Int1=2 Text='y'
19 inPushInteger Int1=1
20 inOperAdd
21 inVarTest Int1=24 Byte1=0 Int3=3
22 inStoreVarString Int1=4 Int4=4 Text='exprr'
23 inJump Int1=25
24 inStoreVarString Int1=4 Int4=5 Text='otherr'
25 inPushVar Int1=0 Text='Result'
26 inRet
*)
