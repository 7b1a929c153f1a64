// Integer and float literals and operators: 32-bit wrap, shifts, division, infinities, conversions, bitwise operators.
print(0x7FFFFFFF + 1 + " " + (0xFFFFFFFF == -1) + " " + 0xFFFFFFFF + " " + (-2147483647 - 1) * -1 + "\n");  // expect: -2147483648 true -1 -2147483648
print(_intsize_ + " " + _floatsize_ + "\n");  // expect: 4 4
print(2147483647 * 2 + " " + (1 << 31) + " " + (1 << 32) + " " + (-1 >> 28) + " " + (-1 >>> 28) + "\n");  // expect: -2 -2147483648 1 -1 15
print(7 / 2 + " " + -7 / 2 + " " + 7 % 3 + " " + -7 % 3 + " " + 7.0 / 2 + " " + 7 % 2.5 + "\n");  // expect: 3 -3 1 -1 3.5 2
local imin = -2147483647 - 1;
print(imin / -1 + " " + imin % -1 + "\n");  // expect: -2147483648 0
try { print(1 / 0); } catch (e) { print(e + "\n"); }  // expect: division by zero
try { print(1 % 0); } catch (e) { print(e + "\n"); }  // expect: modulo by zero
print(1.0 / 0 + " " + -1.0 / 0 + "\n");  // expect: inf -inf
print(1.0 / 3 + " " + 100000000.0 + " " + 1e-5 + " " + 123456789 * 1.0 + " " + 0.1 + 0.2 + "\n");  // expect: 0.333333 1e+08 1e-05 1.23457e+08 0.10.2
print(3.0 + " " + (2.5).tointeger() + " " + (1.5e20).tointeger() + " " + (-1.5e20).tointeger() + "\n");  // expect: 3 2 -2147483648 -2147483648
print((5 & 3) + " " + (5 | 3) + " " + (5 ^ 3) + " " + ~5 + "\n");  // expect: 1 7 6 -6
