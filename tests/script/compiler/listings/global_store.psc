// Globals are never fused: the value is pushed and stored. Statements after a var section need a block,
// or the next line's first name would continue the variable list.
const c = 3
var g: Integer;
begin
  g := 5
  g := c
end
(* expect:
0 inGlobalPrepare Int1=2
1 inPushInteger Int1=3
2 inStoreGlobalVar Int1=0 Text='c'
3 inPrepare Int1=1 Text='___MAIN___'
4 inPushInteger Int1=5
5 inStoreGlobalVar Int1=1 Text='g'
6 inPushGlobalVar Int1=0 Text='c'
7 inStoreGlobalVar Int1=1 Text='g'
8 inPushVar Int1=0 Text='Result'
9 inRet
*)
