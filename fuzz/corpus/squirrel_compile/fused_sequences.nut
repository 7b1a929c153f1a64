// Counting loops, tests against constants and arithmetic with constants, on integers and on
// every other kind of value; jumps into the middle of such sequences; returns reached by jumps.
local s = "";
for (local i = 0; i < 5; i++) s += i;
for (local i = 5; i > 0; i--) s += i;
for (local i = 0; i <= 3; ++i) s += i;
for (local i = 3; i >= 0; --i) s += i;
print(s + "\n");

local f = "";
for (local i = 0.5; i < 3; i++) f += i + ",";
for (local i = 0.25; i <= 2; ++i) f += i + ",";
for (local i = 0; i < 3; i++) { f += i + ","; if (i == 1) i = 1.5; }
print(f + "\n");
try { for (local i = "a"; i < 3; i++) {} } catch (e) print(e + "\n");
try { for (local i = 0; i < 3; i++) { if (i == 1) i = null; } } catch (e) print(e + "\n");

local big = 0x7FFFFFFF, half = 2.5, str = "a", nothing = null;
print((big + 1) + " " + (-big - 2) + " " + (big < 5) + " " + (big > -5) + "\n");
print((half + 1) + " " + (half - 1) + " " + (half < 3) + " " + (half > 3) + "\n");
print((str + 1) + "\n");
try { print(nothing + 1); } catch (e) print(e + "\n");
try { print(nothing - 1); } catch (e) print(e + "\n");
try { print(nothing < 1); } catch (e) print(e + "\n");
try { if (str < 1) print("no\n"); } catch (e) print(e + "\n");
local n = 4;
if (n < 5) print("below\n"); else print("above\n");
if (!(n < 3)) print("not below\n");
if (half < n) print("half below\n");
while (n > 0) n -= 3;
print(n + "\n");

foreach (c in [true, false]) print((5 < (c ? 1 : 9)) + " " + (n + (c ? 1 : 2)) + " " + (n - (c ? 1 : 2)) + "\n");
local a = 1, b = 2;
foreach (c in [true, false]) if ((c || a > b) && b < 3) print("taken\n"); else print("not taken\n");

function sign(x) {
    if (x < 0) return -1;
    else if (x > 0) return 1;
    return 0;
}
print(sign(-5) + " " + sign(0) + " " + sign(7) + " " + sign(-0.5) + "\n");
function pick(c) { return c ? "yes" : "no"; }
print(pick(true) + " " + pick(false) + "\n");
function guarded(x) { try { if (x) return "in"; } catch (e) {} return "out"; }
print(guarded(true) + " " + guarded(false) + "\n");
function loopbreak() { local i = 0; while (true) { try { if (i == 3) break; } catch (e) {} i++; } return i; }
print(loopbreak() + " " + loopbreak() + "\n");
try { throw "still caught"; } catch (e) print(e + "\n");

function selfreplace() { ::selfreplace = null; return "ran"; }
print(selfreplace() + " " + (::selfreplace == null) + "\n");
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
print(fib(20) + "\n");
