// vargv counts extra arguments; default parameters fill missing ones; too few is an error.
function va(...) { return vargv.len(); }
function dp(a, b = 10) { return a + b; }
print(va(1, 2, 3) + " " + dp(1) + " " + dp(1, 2) + "\n");  // expect: 3 11 3
try { dp(); } catch (e) { print(e + "\n"); }  // expect: wrong number of parameters
