// Counting loops, tests against constants and arithmetic with constants, on integers and on
// every other kind of value; jumps into the middle of such sequences; returns reached by jumps.
local s = "";
for (local i = 0; i < 5; i++) s += i;
for (local i = 5; i > 0; i--) s += i;
for (local i = 0; i <= 3; ++i) s += i;
for (local i = 3; i >= 0; --i) s += i;
print(s + "\n");  // expect: 012345432101233210

local f = "";
for (local i = 0.5; i < 3; i++) f += i + ",";
for (local i = 0.25; i <= 2; ++i) f += i + ",";
for (local i = 0; i < 3; i++) { f += i + ","; if (i == 1) i = 1.5; }
print(f + "\n");  // expect: 0.5,1.5,2.5,0.25,1.25,0,1,2.5,
try { for (local i = "a"; i < 3; i++) {} } catch (e) print(e + "\n");  // expect: comparison between 'string' and 'integer'
try { for (local i = 0; i < 3; i++) { if (i == 1) i = null; } } catch (e) print(e + "\n");  // expect: arith op + on between 'null' and 'integer'

local big = 0x7FFFFFFF, half = 2.5, str = "a", nothing = null;
print((big + 1) + " " + (-big - 2) + " " + (big < 5) + " " + (big > -5) + "\n");  // expect: -2147483648 2147483647 false true
print((half + 1) + " " + (half - 1) + " " + (half < 3) + " " + (half > 3) + "\n");  // expect: 3.5 1.5 true false
print((str + 1) + "\n");  // expect: a1
try { print(nothing + 1); } catch (e) print(e + "\n");  // expect: arith op + on between 'null' and 'integer'
try { print(nothing - 1); } catch (e) print(e + "\n");  // expect: arith op - on between 'null' and 'integer'
try { print(nothing < 1); } catch (e) print(e + "\n");
try { if (str < 1) print("no\n"); } catch (e) print(e + "\n");  // expect: truecomparison between 'string' and 'integer'
local n = 4;
if (n < 5) print("below\n"); else print("above\n");  // expect: below
if (!(n < 3)) print("not below\n");  // expect: not below
if (half < n) print("half below\n");  // expect: half below
while (n > 0) n -= 3;
print(n + "\n");  // expect: -2

foreach (c in [true, false]) print((5 < (c ? 1 : 9)) + " " + (n + (c ? 1 : 2)) + " " + (n - (c ? 1 : 2)) + "\n");
// expect: false -1 -3
// expect: true 0 -4
local a = 1, b = 2;
foreach (c in [true, false]) if ((c || a > b) && b < 3) print("taken\n"); else print("not taken\n");
// expect: taken
// expect: not taken

function sign(x) {
    if (x < 0) return -1;
    else if (x > 0) return 1;
    return 0;
}
print(sign(-5) + " " + sign(0) + " " + sign(7) + " " + sign(-0.5) + "\n");  // expect: -1 0 1 -1
function pick(c) { return c ? "yes" : "no"; }
print(pick(true) + " " + pick(false) + "\n");  // expect: yes no
function guarded(x) { try { if (x) return "in"; } catch (e) {} return "out"; }
print(guarded(true) + " " + guarded(false) + "\n");  // expect: in out
function loopbreak() { local i = 0; while (true) { try { if (i == 3) break; } catch (e) {} i++; } return i; }
print(loopbreak() + " " + loopbreak() + "\n");  // expect: 3 3
try { throw "still caught"; } catch (e) print(e + "\n");  // expect: still caught

function selfreplace() { ::selfreplace = null; return "ran"; }
print(selfreplace() + " " + (::selfreplace == null) + "\n");  // expect: ran true
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
print(fib(20) + "\n");  // expect: 6765
