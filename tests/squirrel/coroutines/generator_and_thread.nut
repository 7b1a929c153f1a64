// A generator in foreach and by resume, and a thread suspended and woken once.
function gen(n) { for (local i = 0; i < n; i++) yield i * i; return -1; }
foreach (x in gen(4)) print(x + " ");
print("\n");  // expect-escaped: 0 1 4 9\x20
local g = gen(2);
print(resume g); print(resume g); print(resume g); print(" " + g.getstatus() + "\n");  // expect: 01-1 dead
local th = newthread(function(a) { local b = suspend(a + 1); return b * 10; });
print(th.call(1) + " " + th.getstatus() + " ");
print(th.wakeup(5) + " " + th.getstatus() + "\n");  // expect: 2 suspended 50 idle
