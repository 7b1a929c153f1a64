// A weak reference gives null once its table is gone.
function makeref() { local t = { a = 1 }; local w = t.weakref(); print(w.ref().a + " "); return w; }
local w = makeref();
print((w.ref() == null) + "\n");  // expect: 1 true
