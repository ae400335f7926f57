// A text that is no number cannot be added to a number.
x := 'a' + 2
// runtime error: when evaluating instruction OperAdd
