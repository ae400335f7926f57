// for with a fractional step, with downto, and with a negative integer step.
for i := 1 to 2 step 0.5 do s := i
for j := 3 downto 1 do s := j
for k := 10 to 1 step -2 do begin
  if k = 4 then Break
  Continue
end
(* expect:
0 inPrepare Int1=8 Text='___MAIN___'
1 inPushInteger Int1=1
2 inStoreVarInteger Int1=2 Int3=2 Text='#ForStop1'
3 inStoreVar Int1=1 Text='i'
4 inPushVar Int1=1 Text='i'
5 inPushVar Int1=2 Text='#ForStop1'
6 inOperLE
7 inJumpIfFalse Int1=13
8 inCopyVar Int1=1 Int3=3 Text='is'
9 inPushDouble Real=0.5
10 inPushVar Int1=1 Text='i'
11 inOperAdd
12 inJump Int1=3
13 inPushInteger Int1=3
14 inStoreVarInteger Int1=5 Int3=1 Text='#ForStop2'
15 inStoreVar Int1=4 Text='j'
16 inPushVar Int1=4 Text='j'
17 inPushVar Int1=5 Text='#ForStop2'
18 inOperGE
19 inJumpIfFalse Int1=25
20 inCopyVar Int1=4 Int3=3 Text='js'
21 inPushInteger Int1=-1
22 inPushVar Int1=4 Text='j'
23 inOperAdd
24 inJump Int1=15
25 inPushInteger Int1=10
26 inStoreVarInteger Int1=7 Int3=1 Text='#ForStop3'
27 inStoreVar Int1=6 Text='k'
28 inPushVar Int1=6 Text='k'
29 inPushVar Int1=7 Text='#ForStop3'
30 inOperGE
31 inJumpIfFalse Int1=42
32 inPushVar Int1=6 Text='k'
33 inPushInteger Int1=4
34 inOperEqual
35 inJumpIfFalse Int1=37
36 inJump Int1=42
37 inJump Int1=38
38 inPushInteger Int1=-2
39 inPushVar Int1=6 Text='k'
40 inOperAdd
41 inJump Int1=27
42 inPushVar Int1=0 Text='Result'
43 inRet
*)
