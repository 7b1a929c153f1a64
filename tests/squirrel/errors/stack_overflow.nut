// Endless recursion is a catchable stack overflow.
function deep(n) { return deep(n + 1) + 1; }
try { deep(0); } catch (e) { print(e + "\n"); }  // expect: stack overflow
