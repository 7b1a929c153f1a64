// Generators: resume to the end, foreach with an index, break out of an endless one, an error inside.
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
