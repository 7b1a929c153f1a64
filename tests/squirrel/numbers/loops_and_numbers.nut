// Arithmetic, comparisons and jumps over every mix of operand types, counting loops and
// compound assignment to fields: the interpreter's inline cases must agree with the general ones.
local vals = [0, 1, -1, 2147483647, -2147483648, 3, 0.0, -0.0, 1.5, -2.5, "s", null, true];
foreach (a in vals) {
  local line = "";
  foreach (b in vals) {
    local r = [];
    try { r.append(a + b); } catch (e) { r.append("E"); }
    try { r.append(a - b); } catch (e) { r.append("E"); }
    try { r.append(a * b); } catch (e) { r.append("E"); }
    // A float division by zero is skipped: NaN prints differently across C libraries.
    local numeric = typeof b == "integer" || typeof b == "float";
    local fzero = numeric && b == 0 && (typeof a == "float" || typeof b == "float");
    try { r.append(fzero ? "Z" : a / b); } catch (e) { r.append("E"); }
    try { r.append(fzero ? "Z" : a % b); } catch (e) { r.append("E"); }
    try { r.append(a < b); } catch (e) { r.append("E"); }
    try { r.append(a <= b); } catch (e) { r.append("E"); }
    try { r.append(a > b); } catch (e) { r.append("E"); }
    try { r.append(a >= b); } catch (e) { r.append("E"); }
    try { r.append(a <=> b); } catch (e) { r.append("E"); }
    r.append(a == b);
    r.append(a != b);
    foreach (x in r) line += x + ",";
    if (a == b) line += "Q"; else line += "N";
    line += "|";
  }
  print(line + "\n");
  // expect: 0,0,0,E,E,false,true,false,true,0,true,false,Q|1,-1,0,0,0,true,true,false,false,-1,false,true,N|-1,1,0,0,0,false,false,true,true,1,false,true,N|2147483647,-2147483647,0,0,0,true,true,false,false,-1,false,true,N|-2147483648,-2147483648,0,0,0,false,false,true,true,1,false,true,N|3,-3,0,0,0,true,true,false,false,-1,false,true,N|0,0,0,Z,Z,false,true,false,true,0,true,false,Q|0,0,-0,Z,Z,false,true,false,true,0,true,false,Q|1.5,-1.5,0,0,0,true,true,false,false,-1,false,true,N|-2.5,2.5,-0,-0,0,false,false,true,true,1,false,true,N|0s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: 1,1,0,E,E,false,false,true,true,1,false,true,N|2,0,1,1,0,false,true,false,true,0,true,false,Q|0,2,-1,-1,0,false,false,true,true,1,false,true,N|-2147483648,-2147483646,2147483647,0,1,true,true,false,false,-1,false,true,N|-2147483647,-2147483647,-2147483648,0,1,false,false,true,true,1,false,true,N|4,-2,3,0,1,true,true,false,false,-1,false,true,N|1,1,0,Z,Z,false,false,true,true,1,false,true,N|1,1,-0,Z,Z,false,false,true,true,1,false,true,N|2.5,-0.5,1.5,0.666667,1,true,true,false,false,-1,false,true,N|-1.5,3.5,-2.5,-0.4,1,false,false,true,true,1,false,true,N|1s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: -1,-1,0,E,E,true,true,false,false,-1,false,true,N|0,-2,-1,-1,0,true,true,false,false,-1,false,true,N|-2,0,1,1,0,false,true,false,true,0,true,false,Q|2147483646,-2147483648,-2147483647,0,-1,true,true,false,false,-1,false,true,N|2147483647,2147483647,-2147483648,0,-1,false,false,true,true,1,false,true,N|2,-4,-3,0,-1,true,true,false,false,-1,false,true,N|-1,-1,-0,Z,Z,true,true,false,false,-1,false,true,N|-1,-1,0,Z,Z,true,true,false,false,-1,false,true,N|0.5,-2.5,-1.5,-0.666667,-1,true,true,false,false,-1,false,true,N|-3.5,1.5,2.5,0.4,-1,false,false,true,true,1,false,true,N|-1s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: 2147483647,2147483647,0,E,E,false,false,true,true,1,false,true,N|-2147483648,2147483646,2147483647,2147483647,0,false,false,true,true,1,false,true,N|2147483646,-2147483648,-2147483647,-2147483647,0,false,false,true,true,1,false,true,N|-2,0,1,1,0,false,true,false,true,0,true,false,Q|-1,-1,-2147483648,0,2147483647,false,false,true,true,1,false,true,N|-2147483646,2147483644,2147483645,715827882,1,false,false,true,true,1,false,true,N|2.14748e+09,2.14748e+09,0,Z,Z,false,false,true,true,1,false,true,N|2.14748e+09,2.14748e+09,-0,Z,Z,false,false,true,true,1,false,true,N|2.14748e+09,2.14748e+09,3.22123e+09,1.43166e+09,0.5,false,false,true,true,1,false,true,N|2.14748e+09,2.14748e+09,-5.36871e+09,-8.58993e+08,0.5,false,false,true,true,1,false,true,N|2147483647s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: -2147483648,-2147483648,0,E,E,true,true,false,false,-1,false,true,N|-2147483647,2147483647,-2147483648,-2147483648,0,true,true,false,false,-1,false,true,N|2147483647,-2147483647,-2147483648,-2147483648,0,true,true,false,false,-1,false,true,N|-1,1,-2147483648,-1,-1,true,true,false,false,-1,false,true,N|0,0,0,1,0,false,true,false,true,0,true,false,Q|-2147483645,2147483645,-2147483648,-715827882,-2,true,true,false,false,-1,false,true,N|-2.14748e+09,-2.14748e+09,-0,Z,Z,true,true,false,false,-1,false,true,N|-2.14748e+09,-2.14748e+09,0,Z,Z,true,true,false,false,-1,false,true,N|-2.14748e+09,-2.14748e+09,-3.22123e+09,-1.43166e+09,-0.5,true,true,false,false,-1,false,true,N|-2.14748e+09,-2.14748e+09,5.36871e+09,8.58993e+08,-0.5,true,true,false,false,-1,false,true,N|-2147483648s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: 3,3,0,E,E,false,false,true,true,1,false,true,N|4,2,3,3,0,false,false,true,true,1,false,true,N|2,4,-3,-3,0,false,false,true,true,1,false,true,N|-2147483646,-2147483644,2147483645,0,3,true,true,false,false,-1,false,true,N|-2147483645,-2147483645,-2147483648,0,3,false,false,true,true,1,false,true,N|6,0,9,1,0,false,true,false,true,0,true,false,Q|3,3,0,Z,Z,false,false,true,true,1,false,true,N|3,3,-0,Z,Z,false,false,true,true,1,false,true,N|4.5,1.5,4.5,2,0,false,false,true,true,1,false,true,N|0.5,5.5,-7.5,-1.2,0.5,false,false,true,true,1,false,true,N|3s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: 0,0,0,Z,Z,false,true,false,true,0,true,false,Q|1,-1,0,0,0,true,true,false,false,-1,false,true,N|-1,1,-0,-0,0,false,false,true,true,1,false,true,N|2.14748e+09,-2.14748e+09,0,0,0,true,true,false,false,-1,false,true,N|-2.14748e+09,2.14748e+09,-0,-0,0,false,false,true,true,1,false,true,N|3,-3,0,0,0,true,true,false,false,-1,false,true,N|0,0,0,Z,Z,false,true,false,true,0,true,false,Q|0,0,-0,Z,Z,false,false,true,true,1,false,true,N|1.5,-1.5,0,0,0,true,true,false,false,-1,false,true,N|-2.5,2.5,-0,-0,0,false,false,true,true,1,false,true,N|0s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: 0,-0,-0,Z,Z,false,true,false,true,0,true,false,Q|1,-1,-0,-0,-0,true,true,false,false,-1,false,true,N|-1,1,0,0,-0,false,false,true,true,1,false,true,N|2.14748e+09,-2.14748e+09,-0,-0,-0,true,true,false,false,-1,false,true,N|-2.14748e+09,2.14748e+09,0,0,-0,false,false,true,true,1,false,true,N|3,-3,-0,-0,-0,true,true,false,false,-1,false,true,N|0,-0,-0,Z,Z,false,false,true,true,1,false,true,N|-0,0,0,Z,Z,false,true,false,true,0,true,false,Q|1.5,-1.5,-0,-0,-0,true,true,false,false,-1,false,true,N|-2.5,2.5,0,0,-0,false,false,true,true,1,false,true,N|-0s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: 1.5,1.5,0,Z,Z,false,false,true,true,1,false,true,N|2.5,0.5,1.5,1.5,0.5,false,false,true,true,1,false,true,N|0.5,2.5,-1.5,-1.5,0.5,false,false,true,true,1,false,true,N|2.14748e+09,-2.14748e+09,3.22123e+09,6.98492e-10,1.5,true,true,false,false,-1,false,true,N|-2.14748e+09,2.14748e+09,-3.22123e+09,-6.98492e-10,1.5,false,false,true,true,1,false,true,N|4.5,-1.5,4.5,0.5,1.5,true,true,false,false,-1,false,true,N|1.5,1.5,0,Z,Z,false,false,true,true,1,false,true,N|1.5,1.5,-0,Z,Z,false,false,true,true,1,false,true,N|3,0,2.25,1,0,false,true,false,true,0,true,false,Q|-1,4,-3.75,-0.6,1.5,false,false,true,true,1,false,true,N|1.5s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: -2.5,-2.5,-0,Z,Z,true,true,false,false,-1,false,true,N|-1.5,-3.5,-2.5,-2.5,-0.5,true,true,false,false,-1,false,true,N|-3.5,-1.5,2.5,2.5,-0.5,true,true,false,false,-1,false,true,N|2.14748e+09,-2.14748e+09,-5.36871e+09,-1.16415e-09,-2.5,true,true,false,false,-1,false,true,N|-2.14748e+09,2.14748e+09,5.36871e+09,1.16415e-09,-2.5,false,false,true,true,1,false,true,N|0.5,-5.5,-7.5,-0.833333,-2.5,true,true,false,false,-1,false,true,N|-2.5,-2.5,-0,Z,Z,true,true,false,false,-1,false,true,N|-2.5,-2.5,0,Z,Z,true,true,false,false,-1,false,true,N|-1,-4,-3.75,-1.66667,-1,true,true,false,false,-1,false,true,N|-5,0,6.25,1,-0,false,true,false,true,0,true,false,Q|-2.5s,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: s0,E,E,E,E,E,E,E,E,E,false,true,N|s1,E,E,E,E,E,E,E,E,E,false,true,N|s-1,E,E,E,E,E,E,E,E,E,false,true,N|s2147483647,E,E,E,E,E,E,E,E,E,false,true,N|s-2147483648,E,E,E,E,E,E,E,E,E,false,true,N|s3,E,E,E,E,E,E,E,E,E,false,true,N|s0,E,E,Z,Z,E,E,E,E,E,false,true,N|s-0,E,E,Z,Z,E,E,E,E,E,false,true,N|s1.5,E,E,E,E,E,E,E,E,E,false,true,N|s-2.5,E,E,E,E,E,E,E,E,E,false,true,N|ss,E,E,E,E,false,true,false,true,0,true,false,Q|s(null : 0x(nil)),E,E,E,E,false,false,true,true,1,false,true,N|strue,E,E,E,E,E,E,E,E,E,false,true,N|
  // expect: E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,Z,Z,true,true,false,false,-1,false,true,N|E,E,E,Z,Z,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,true,true,false,false,-1,false,true,N|(null : 0x(nil))s,E,E,E,E,true,true,false,false,-1,false,true,N|E,E,E,E,E,false,true,false,true,0,true,false,Q|E,E,E,E,E,true,true,false,false,-1,false,true,N|
  // expect: E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,Z,Z,E,E,E,E,E,false,true,N|E,E,E,Z,Z,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,E,E,E,E,E,false,true,N|trues,E,E,E,E,E,E,E,E,E,false,true,N|E,E,E,E,E,false,false,true,true,1,false,true,N|E,E,E,E,E,false,true,false,true,0,true,false,Q|
}
foreach (a in vals) {
  local r = [];
  try { r.append(a - 1); } catch (e) { r.append("E"); }
  try { r.append(a + 1); } catch (e) { r.append("E"); }
  try { r.append(a < 2); } catch (e) { r.append("E"); }
  try { r.append(-a); } catch (e) { r.append("E"); }
  try { r.append(~a); } catch (e) { r.append("E"); }
  r.append(!a);
  if (a) r.append("T"); else r.append("F");
  try { if (a < 2) r.append("L"); else r.append("G"); } catch (e) { r.append("E"); }
  local line = "";
  foreach (x in r) line += x + ",";
  print(line + "\n");
  // expect: -1,1,true,0,-1,true,F,L,
  // expect: 0,2,true,-1,-2,false,T,L,
  // expect: -2,0,true,1,0,false,T,L,
  // expect: 2147483646,-2147483648,false,-2147483647,-2147483648,false,T,G,
  // expect: 2147483647,-2147483647,true,-2147483648,2147483647,false,T,L,
  // expect: 2,4,false,-3,-4,false,T,G,
  // expect: -1,1,true,-0,E,true,F,L,
  // expect: -1,1,true,0,E,true,F,L,
  // expect: 0.5,2.5,true,-1.5,E,false,T,L,
  // expect: -3.5,-1.5,true,2.5,E,false,T,L,
  // expect: E,s1,E,E,E,false,T,E,
  // expect: E,E,true,E,E,true,F,L,
  // expect: E,E,E,E,E,false,T,E,
}
local nan = 0.0 / 0.0;
print((nan < 1) + " " + (nan > 1) + " " + (nan == nan) + " " + (nan <= nan) + " " + (0.0 > -0.0) + "\n");  // expect: false true true true true
print((nan < 1.0) + " " + (1.0 > nan) + " " + (-0.0 < 0.0) + " " + (0 == -0.0) + "\n");  // expect: false true false true
local big = 2147483647;
print((big + 1) + " " + (big - -1) + " " + (-2147483648 - 1) + " " + (big * 2) + "\n");  // expect: -2147483648 -2147483648 2147483647 -2
print((-2147483648 / -1) + " " + (-2147483648 % -1) + " " + (7 / -2) + " " + (-7 % 2) + "\n");  // expect: -2147483648 0 -3 -1
try { print(1 / 0); } catch (e) { print(e + "\n"); }  // expect: division by zero
try { print(1 % 0); } catch (e) { print(e + "\n"); }  // expect: modulo by zero
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
class Counter { n = 0; f = 1.5; s = "a"; function add(d) { n += d; f *= 2; return n; } }
local c = Counter();
for (local j = 0; j < 4; j++) c.add(j);
print(c.n + " " + c.f + "\n");  // expect: 0 24
c.n -= 0.5; c.s += 1; c.n *= 2;
print(c.n + " " + c.s + "\n");  // expect: -1 a1
try { c.add("z"); } catch (e) { print(e + "\n"); }
print(c.n + "\n");  // expect: -1
local t = { v = 1 };
t.v += 2; t.v -= 5; t.v *= -2; print(t.v + "\n");  // expect: 4
t.v /= 3; t.v %= 3; print(t.v + "\n");  // expect: 1
try { t.missing += 1; } catch (e) { print(e + "\n"); }  // expect: the index 'missing' does not exist
local holder = { o = Counter() };
holder.w <- holder.o.weakref();
print(typeof holder.w + " " + (holder.w == holder.o) + " " + typeof holder["w"] + "\n");  // expect: instance true instance
local arr = [holder.o.weakref(), 2];
print(typeof arr[0] + " " + arr[1] + "\n");  // expect: instance 2
function fib(v) { return v < 2 ? v : fib(v - 1) + fib(v - 2); }
print(fib(20) + "\n");  // expect: 6765
