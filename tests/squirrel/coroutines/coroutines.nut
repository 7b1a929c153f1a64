// Generators and threads.
function counter(from, to) {
  for (local i = from; i <= to; i++) yield i;
  return "done";
}
local g = counter(1, 3);
print(resume g + " " + resume g + " " + resume g + " " + resume g + " " + g.getstatus() + "\n");  // expect: 1 2 3 done dead
try { resume g; } catch (e) { print(e + "\n"); }  // expect: resuming dead generator
foreach (i, v in counter(10, 12)) print(i + ":" + v + " ");
print("\n");  // expect-escaped: 0:10 1:11 2:12\x20
function fibs() { local a = 0, b = 1; while (true) { yield a; local t = a + b; a = b; b = t; } }
local out = [];
foreach (v in fibs()) { if (v > 50) break; out.append(v); }
foreach (v in out) print(v + " ");
print("\n");  // expect-escaped: 0 1 1 2 3 5 8 13 21 34\x20
function gthrow() { yield 1; throw "inside generator"; }
local gt = gthrow();
resume gt;
try { resume gt; } catch (e) { print("caught " + e + " " + gt.getstatus() + "\n"); }  // expect: caught inside generator dead
print(typeof g + "\n");  // expect: generator

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
// stderr:
// stderr: AN ERROR HAS OCCURED [cannot suspend through native calls]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] coroutines.nut line [38]
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

local failing = newthread(function() { suspend(1); throw "thread error"; });
failing.call();
try { failing.wakeup(); } catch (e) { print("caught " + e + " " + failing.getstatus() + "\n"); }  // expect: caught thread error idle
// stderr:
// stderr: AN ERROR HAS OCCURED [thread error]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] coroutines.nut line [57]
// stderr:
// stderr: LOCALS
// stderr: [this] TABLE
