// Weak references go null when their target goes, also in slots and in cycles freed by collectgarbage.
class Node { next = null; name = ""; constructor(n) { name = n; } }
local w = (function() {  // expect: one weakref true
  local n = Node("one");
  local w = n.weakref();
  print(w.ref().name + " " + typeof w + " " + (w.ref() == n) + "\n");
  return w;
})();
print(w.ref() + " " + typeof w.ref() + "\n");  // expect: (null : 0x(nil)) null
local holder = {};
(function() {  // expect: 1 table table
  local target = { v = 1 };
  holder.w <- target.weakref();
  print(holder.w.v + " " + typeof holder.w + " " + typeof holder.rawget("w") + "\n");
})();
print(holder.w + " " + holder.len() + "\n");  // expect: (null : 0x(nil)) 1
function makeCycle() {
  local a1 = Node("a"), a2 = Node("b");
  a1.next = a2; a2.next = a1;
  local r = a1.weakref();
  return r;
}
local aw = makeCycle();
print(typeof aw + " " + collectgarbage() + " " + aw.ref() + "\n");  // expect: weakref 2 (null : 0x(nil))
