// An error outside any try block names the instruction, its operands, the stack and the position.
s := 'text'
x := s - 1
// runtime error: when evaluating instruction OperSub ($0,$0,$0,$0,'').
