// Reference cycles are freed by collectgarbage; acyclic values the moment the last reference goes.
class Node { next = null; }
function instanceCycle() { local a = Node(), b = Node(); a.next = b; b.next = a; }
function tableCycle() { local t = {}; t.me <- t; }
function arrayCycle() { local a = []; a.append(a); }
function closureCycle() { local t = {}; t.f <- function() { return t; }; }
function mixedCycle() { local n = Node(); n.next = { back = [n] }; }
function noCycle() { local t = { a = [1, 2], n = Node() }; }
// Returning leaves a callee's registers as they were until a later call reuses them: this call
// reuses them and clears them, so only the cycles hold the objects.
function scrub() { local a, b, c, d, e, f, g, h; }
foreach (f in [instanceCycle, tableCycle, arrayCycle, mixedCycle, noCycle, closureCycle]) {
  f();
  scrub();
  local freed = collectgarbage();
  // how many objects a closure cycle holds depends on how free variables are stored
  print((f == closureCycle ? freed > 0 : freed) + " ");
}
print("\n");  // expect-escaped: 2 1 1 3 0 true\x20
local keep = {};
keep.me <- keep;
print(collectgarbage() + " " + (keep.me == keep) + "\n");  // expect: 0 true
