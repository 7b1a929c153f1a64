// Integer and float arithmetic: 32-bit wrap, truncating division, float printing.
local a = 1, b = 2.5;
print(a + b + "\n");  // expect: 3.5
print((7 / 2) + " " + (7 % 3) + " " + (-7 / 2) + "\n");  // expect: 3 1 -3
print(0xFFFFFFFF == -1);
print("\n");  // expect: true
print(2147483647 + 1);
print("\n");  // expect: -2147483648
print(_intsize_ + " " + _floatsize_ + "\n");  // expect: 4 4
print(1.0 + " " + 0.1 + " " + 1.0e20 + " " + (1.0/3) + "\n");  // expect: 1 0.1 1e+20 0.333333
print((-2147483647 - 1) / -1);
print("\n");  // expect: -2147483648
print((-2147483647 - 1) % -1);
print("\n");  // expect: 0
