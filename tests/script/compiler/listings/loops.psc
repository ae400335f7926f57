// while and repeat with break and continue.
i := 0
while i < 10 do begin
  i := i + 1
  if i = 5 then Continue
  if i = 8 then Break
end
repeat
  i := i - 1
  if i = 2 then Break
until i = 0
(* expect:
0 inPrepare Int1=2 Text='___MAIN___'
1 inStoreVarInteger Int1=1 Int3=0 Text='i'
2 inPushVar Int1=1 Text='i'
3 inPushInteger Int1=10
4 inOperLess
5 inJumpIfFalse Int1=21
6 inPushVar Int1=1 Text='i'
7 inPushInteger Int1=1
8 inOperAdd
9 inStoreVar Int1=1 Text='i'
10 inPushVar Int1=1 Text='i'
11 inPushInteger Int1=5
12 inOperEqual
13 inJumpIfFalse Int1=15
14 inJump Int1=2
15 inPushVar Int1=1 Text='i'
16 inPushInteger Int1=8
17 inOperEqual
18 inJumpIfFalse Int1=20
19 inJump Int1=21
20 inJump Int1=2
21 inPushVar Int1=1 Text='i'
22 inPushInteger Int1=1
23 inOperSub
24 inStoreVar Int1=1 Text='i'
25 inPushVar Int1=1 Text='i'
26 inPushInteger Int1=2
27 inOperEqual
28 inJumpIfFalse Int1=30
29 inJump Int1=34
30 inPushVar Int1=1 Text='i'
31 inPushInteger Int1=0
32 inOperEqual
33 inJumpIfFalse Int1=21
34 inPushVar Int1=0 Text='Result'
35 inRet
*)
