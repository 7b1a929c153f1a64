// <=> gives -1, 0 or 1, never the difference of its operands.
print((3 <=> 100) + " " + (100 <=> 3) + " " + (3 <=> 3) + "\n"); // expect: -1 1 0
print((2147483647 <=> -2147483648) + " " + (-2147483648 <=> 2147483647) + "\n"); // expect: 1 -1
print((-5 <=> -6) + " " + (0 <=> -2147483648) + "\n"); // expect: 1 1
print((1.5 <=> 100.25) + " " + (100.25 <=> 1.5) + " " + (2.5 <=> 2.5) + "\n"); // expect: -1 1 0
print((1 <=> 1.5) + " " + (2.5 <=> 2) + " " + (2 <=> 2.0) + "\n"); // expect: -1 1 0
print(("apple" <=> "banana") + " " + ("zebra" <=> "apple") + " " + ("same" <=> "same") + "\n"); // expect: -1 1 0
print(("a" <=> "abc") + " " + ("abc" <=> "a") + "\n"); // expect: -1 1
local a = 10, b = 250;
print((a <=> b) + " " + (b <=> a) + "\n"); // expect: -1 1
print((null <=> 1) + " " + (1 <=> null) + "\n"); // expect: -1 1
local values = [300, -7, 42];
values.sort(@(x, y) x <=> y);
print(values[0] + " " + values[1] + " " + values[2] + "\n"); // expect: -7 42 300
