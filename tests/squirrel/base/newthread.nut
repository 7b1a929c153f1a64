// newthread and suspend: values passed both ways; a bare suspend hands over `this`.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("newthread", function() { return typeof newthread(function() {}); });  // expect: newthread: string thread
show("newthread(1)", function() { return newthread(1); });
// expect: newthread(1): error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("suspend in a thread", function() {  // expect: suspend in a thread: string first true x y
  local t = newthread(function() { local a = suspend("first"); local b = suspend(); return a + " " + b; });
  // a bare suspend() hands the waker the thread's `this`
  return t.call() + " " + (t.wakeup("x") == getroottable()) + " " + t.wakeup("y");
});
