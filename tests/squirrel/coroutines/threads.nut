// Threads: call, suspend and wakeup pass values both ways; no suspend through native calls.
local th = newthread(function(a, b) {
  print("start " + a + " " + b + "\n");
  local x = suspend(a + b);
  print("got " + x + "\n");
  local y = suspend("second");
  print("got " + y + "\n");
  return "finished";
});
print(typeof th + " " + th.getstatus() + "\n");  // expect: thread idle
local r = th.call(1, 2);  // expect: start 1 2
print("suspended with " + r + " " + th.getstatus() + "\n");  // expect: suspended with 3 suspended
r = th.wakeup("A");  // expect: got A
print("suspended with " + r + " " + th.getstatus() + "\n");  // expect: suspended with second suspended
r = th.wakeup("B");  // expect: got B
print("returned " + r + " " + th.getstatus() + "\n");  // expect: returned finished idle
try { th.wakeup(1); } catch (e) { print(e + "\n"); }  // expect: cannot wakeup a idle thread
local nested = newthread(function() { return [1].map(function(x) { return suspend(x); }); });
try { nested.call(); } catch (e) { print(e + "\n"); }  // expect: cannot suspend through native calls
// The error ends the thread's run: the error handler reports it before the caller catches it.
// stderr:
// stderr: AN ERROR HAS OCCURED [cannot suspend through native calls]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] threads.nut line [18]
// stderr:
// stderr: LOCALS
// stderr: [this] TABLE

local producer = newthread(function() {
  foreach (w in ["a", "b", "c"]) suspend(w);
  return null;
});
local words = producer.call();
while (producer.getstatus() == "suspended") { print(words); words = producer.wakeup(); }
print("\n");  // expect: abc
