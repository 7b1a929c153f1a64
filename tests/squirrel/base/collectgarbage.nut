// collectgarbage returns a count and frees an unreachable cycle.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("collectgarbage", function() { return typeof collectgarbage(); });  // expect: collectgarbage: string integer
show("collectgarbage frees a cycle", function() {  // expect: collectgarbage frees a cycle: string true (null : 0x(nil))
  local w = null;
  (function() { local t = {}; t.me <- t; w = t.weakref(); })();
  local before = w.ref() != null;
  collectgarbage();
  return before + " " + w.ref();
});
