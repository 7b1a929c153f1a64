// Generators and threads.
function counter(from, to) {
  for (local i = from; i <= to; i++) yield i;
  return "done";
}
local g = counter(1, 3);
print(resume g + " " + resume g + " " + resume g + " " + resume g + " " + g.getstatus() + "\n");
try { resume g; } catch (e) { print(e + "\n"); }
foreach (i, v in counter(10, 12)) print(i + ":" + v + " ");
print("\n");
function fibs() { local a = 0, b = 1; while (true) { yield a; local t = a + b; a = b; b = t; } }
local out = [];
foreach (v in fibs()) { if (v > 50) break; out.append(v); }
foreach (v in out) print(v + " ");
print("\n");
function gthrow() { yield 1; throw "inside generator"; }
local gt = gthrow();
resume gt;
try { resume gt; } catch (e) { print("caught " + e + " " + gt.getstatus() + "\n"); }
print(typeof g + "\n");

local th = newthread(function(a, b) {
  print("start " + a + " " + b + "\n");
  local x = suspend(a + b);
  print("got " + x + "\n");
  local y = suspend("second");
  print("got " + y + "\n");
  return "finished";
});
print(typeof th + " " + th.getstatus() + "\n");
local r = th.call(1, 2);
print("suspended with " + r + " " + th.getstatus() + "\n");
r = th.wakeup("A");
print("suspended with " + r + " " + th.getstatus() + "\n");
r = th.wakeup("B");
print("returned " + r + " " + th.getstatus() + "\n");
try { th.wakeup(1); } catch (e) { print(e + "\n"); }
local nested = newthread(function() { return [1].map(function(x) { return suspend(x); }); });
try { nested.call(); } catch (e) { print(e + "\n"); }

local producer = newthread(function() {
  foreach (w in ["a", "b", "c"]) suspend(w);
  return null;
});
local words = producer.call();
while (producer.getstatus() == "suspended") { print(words); words = producer.wakeup(); }
print("\n");

local failing = newthread(function() { suspend(1); throw "thread error"; });
failing.call();
try { failing.wakeup(); } catch (e) { print("caught " + e + " " + failing.getstatus() + "\n"); }
