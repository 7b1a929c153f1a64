// for, while and do loops: counters of every kind, break and continue, captured loop variables, post- and pre-increment.
local i = 0;
for (i = 0; i < 5; i++) print(i);
print("\n");  // expect: 01234
for (local j = 0; j < 5; ++j) print(j);
print("\n");  // expect: 01234
for (local j = 10; j > 5; j--) print(j);
print("\n");  // expect: 109876
for (local j = 0; j <= 4; j += 2) print(j);
print("\n");  // expect: 024
for (local j = 2147483646; j > 0 && j < 2147483647 + 0; j++) print(j + " ");
print("\n");  // expect-escaped: 2147483646\x20
for (local j = 0.5; j < 3; j++) print(j + " ");
print("\n");  // expect-escaped: 0.5 1.5 2.5\x20
for (local j = 0, k = 10; j < k; j++, k--) print(j + k + " ");
print("\n");  // expect-escaped: 10 10 10 10 10\x20
local n = 0;
for (;;) { if (++n > 4) break; }
print(n + "\n");  // expect: 5
local k = 0; k = k++; print(k + "\n");  // expect: 0
local m = 3; local q = m++ < 4; print(q + " " + m + "\n");  // expect: true 4
local r = 3; local w = ++r < 4; print(w + " " + r + "\n");  // expect: false 4
local sum = 0;
for (local j = 0; j < 100; j++) { if (j % 7 == 0) continue; if (j > 90) break; sum += j; }
print(sum + "\n");  // expect: 3549
local fns = [];
for (local j = 0; j < 3; j++) fns.append(function() { return j; });
foreach (f in fns) print(f() + " ");
print("\n");  // expect-escaped: 3 3 3\x20
local x = 0;
while (x++ < 3) print(x);
print("\n");  // expect: 123
do { x--; } while (x > 1);
print(x + "\n");  // expect: 1
function fib(v) { return v < 2 ? v : fib(v - 1) + fib(v - 2); }
print(fib(20) + "\n");  // expect: 6765
