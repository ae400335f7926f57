// options: ShortBooleanEval
// With short-circuit evaluation, or/and jump past their right operand when the left decides.
a := 1
b := 0
x := a or b
y := a and b or a
