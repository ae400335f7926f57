// Texts concatenate; a text with a number is read as a number; indexes count from 1.
Print('a' + 'b')        // expect: ab
x := '1' + 2
Print(x)                // expect: 3
s := 'abc'
s[2] := 'XY'
Print(s)                // expect: aXYc
Print(s[1])             // expect: a
Print(s[5] = '')        // expect: True
Print('it''s' + #33)    // expect: it's!
Print('Line'#65'B')     // expect: LineAB
// Appending to a variable in place leaves other copies of its text alone.
long := 'a text longer than the inline storage of a value'
saved := long
long := long + '!'
Print(saved)            // expect: a text longer than the inline storage of a value
Print(long)             // expect: a text longer than the inline storage of a value!
other := long
other := long + '?'
Print(long)             // expect: a text longer than the inline storage of a value!
