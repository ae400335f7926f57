program P;
uses Internal
imports Internal
function F(var a, b: Integer; c): string; stdcall; external 'lib.dll' name 'Fx';
const K = 'a''b'#65;
var o: TTestObject;
begin
  a := 1
  b := 2
  o.Parent.Name := K
  x := o as TTestObject
  x := F(a, b, 1)
  with o.Clone do Count := Internal.Length(K)
end
