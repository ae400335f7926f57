// Routines: a call before the body, var parameters, forward declarations, Exit and the main jump.
var v
procedure First;
begin
  Second(1, v)
end

procedure Second(a; var b)
begin
  b := a
  if a > 0 then Exit
end

function Twice(x): Integer; forward;
function Twice(x): Integer
begin
  Result := x * 2
end

w := 0
First
Second(2, w)
w := Twice(w)
(* expect:
0 inGlobalPrepare Int1=1
1 inJump Int1=22
2 inPrepare Int1=0 Text='First'
3 inPushInteger Int1=1
4 inPushGlobalVarByRef Int1=0 Text='v'
5 inCall Int1=7 Byte1=2 Text='Second'
6 inRet
7 inPrepare Int1=0 Text='Second'
8 inCopyVarRef Int1=-2 Int3=-1 Text='ab'
9 inPushVar Int1=-2 Text='a'
10 inPushInteger Int1=0
11 inOperGreater
12 inJumpIfFalse Int1=14
13 inJump Int1=14
14 inRet
15 inPrepare Int1=1 Text='Twice'
16 inPushVar Int1=-1 Text='x'
17 inPushInteger Int1=2
18 inOperMul
19 inStoreVar Int1=0 Text='Result'
20 inPushVar Int1=0 Text='Result'
21 inRet
22 inPrepare Int1=2 Text='___MAIN___'
23 inStoreVarInteger Int1=1 Int3=0 Text='w'
24 inCall Int1=2 Byte1=0 Text='First'
25 inPushInteger Int1=2
26 inPushVarByRef Int1=1 Text='w'
27 inCall Int1=7 Byte1=2 Text='Second'
28 inPushVarByRef Int1=1 Text='w'
29 inCall Int1=15 Byte1=1 Text='Twice'
30 inPushOutput Int1=0
31 inStoreVar Int1=1 Text='w'
32 inPushVar Int1=0 Text='Result'
33 inRet
*)
