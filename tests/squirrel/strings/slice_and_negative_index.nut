// A slice past the end is an error; a negative index counts from the end.
try { "abc".slice(1, 10); } catch (e) { print(e + "\n"); }  // expect: slice out of range
print("abc"[-1] + "\n");  // expect: 99
