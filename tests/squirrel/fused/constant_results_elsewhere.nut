// An integer constant added, subtracted or combined bitwise, the result kept elsewhere than the
// register holding the constant; non-integer operands take the general path with its errors.
local sum = 0, n = 5, s = "a", f = 1.5;
sum += 1; sum += 2; sum -= 4;
print(sum + " " + (n + 3) + " " + (n - 7) + "\n");  // expect: -1 8 -2
print((n & 4) + " " + (n | 8) + " " + (n ^ 1) + " " + (n << 3) + " " + (n >> 1) + " " + (-n >>> 28) + "\n");  // expect: 4 13 4 40 2 15
local big = 2147483647;
big += 1;
print(big + " " + (big - 1) + " " + (-1 << 31) + " " + (1 << 33) + "\n");  // expect: -2147483648 2147483647 -2147483648 2
s += 1; f += 2;
print(s + " " + f + " " + (f - 1) + "\n");  // expect: a1 3.5 2.5
try { print((f & 1) + "\n"); } catch (e) print(e + "\n");  // expect: bitwise op between 'float' and 'integer'
try { print((s | 2) + "\n"); } catch (e) print(e + "\n");  // expect: bitwise op between 'string' and 'integer'
try { local t = null; t += 1; } catch (e) print(e + "\n");  // expect: arith op + on between 'null' and 'integer'
local acc = 0;
for (local i = 0; i < 100; i++) { acc += i & 7; acc = acc ^ (i << 2); acc -= 1; }
print(acc + "\n");  // expect: 146
// the constant is still in its register after the fused sequence
function k() { local a = 3; local b = a + 100; local c = b & 0xff; return [a, b, c]; }
local r = k();
print(r[0] + " " + r[1] + " " + r[2] + "\n");  // expect: 3 103 103
