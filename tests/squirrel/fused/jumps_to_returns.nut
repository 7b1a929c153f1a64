// Jumps to a return, returns inside try, and a function replacing itself while running.
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
