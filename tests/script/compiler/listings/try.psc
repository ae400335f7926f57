// try ... finally and try ... except: the two end indexes are patched when the parts are left.
try
  x := 1
  try
    x := 2
  except
    x := 3
  end
finally
  Log('done', '')
end
(* expect:
0 inPrepare Int1=2 Text='___MAIN___'
1 inTryFinally Int1=6 Int3=9
2 inStoreVarInteger Int1=1 Int3=1 Text='x'
3 inTryExcept Int1=5 Int3=6
4 inStoreVarInteger Int1=1 Int3=2 Text='x'
5 inStoreVarInteger Int1=1 Int3=3 Text='x'
6 inPushString Text='done'
7 inPushString Text=''
8 inCallProc Int1=0 Byte1=2 Byte2=1 Int2=0 Int4=7 Text='Log'
9 inPushVar Int1=0 Text='Result'
10 inRet
*)
