// Without short-circuit evaluation both operands of and/or are always evaluated.
function F: Integer
begin
  Result := 1
end
function G: Integer
begin
  Result := 0
end
if F() or G() and F then x := 1
(* expect:
0 inJump Int1=9
1 inPrepare Int1=1 Text='F'
2 inStoreVarInteger Int1=0 Int3=1 Text='Result'
3 inPushVar Int1=0 Text='Result'
4 inRet
5 inPrepare Int1=1 Text='G'
6 inStoreVarInteger Int1=0 Int3=0 Text='Result'
7 inPushVar Int1=0 Text='Result'
8 inRet
9 inPrepare Int1=2 Text='___MAIN___'
10 inCall Int1=1 Byte1=0 Text='F'
11 inPushOutput Int1=0
12 inCall Int1=5 Byte1=0 Text='G'
13 inPushOutput Int1=0
14 inCall Int1=1 Byte1=0 Text='F'
15 inPushOutput Int1=0
16 inOperAnd
17 inOperOr
18 inJumpIfFalse Int1=20
19 inStoreVarInteger Int1=1 Int3=1 Text='x'
20 inPushVar Int1=0 Text='Result'
21 inRet
*)
