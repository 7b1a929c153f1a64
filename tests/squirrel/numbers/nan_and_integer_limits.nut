// NaN compares false, -0.0 equals 0; 32-bit integers wrap; the most negative number divided by -1.
local nan = 0.0 / 0.0;
print((nan < 1) + " " + (nan > 1) + " " + (nan == nan) + " " + (nan <= nan) + " " + (0.0 > -0.0) + "\n");  // expect: false true true true true
print((nan < 1.0) + " " + (1.0 > nan) + " " + (-0.0 < 0.0) + " " + (0 == -0.0) + "\n");  // expect: false true false true
local big = 2147483647;
print((big + 1) + " " + (big - -1) + " " + (-2147483648 - 1) + " " + (big * 2) + "\n");  // expect: -2147483648 -2147483648 2147483647 -2
print((-2147483648 / -1) + " " + (-2147483648 % -1) + " " + (7 / -2) + " " + (-7 % 2) + "\n");  // expect: -2147483648 0 -3 -1
try { print(1 / 0); } catch (e) { print(e + "\n"); }  // expect: division by zero
try { print(1 % 0); } catch (e) { print(e + "\n"); }  // expect: modulo by zero
