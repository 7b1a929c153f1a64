// 'in' and 'instanceof' bind like '<': tighter than == and !=, looser than + and <<.
local t = { a = 1, [2] = "two", [true] = "yes" };
print(("a" in t == true) + " " + ("b" in t == false) + "\n"); // expect: true true
print(("a" in t != false) + "\n"); // expect: true
print((1 + 1 in t) + " " + (3 - 1 in t) + " " + (1 << 1 in t) + "\n"); // expect: true true true
print(("a" in t && "b" in t) + " " + ("b" in t || 2 in t) + "\n"); // expect: false true
print((!("b" in t)) + "\n"); // expect: true
class A {}
class B extends A {}
local b = B();
print((b instanceof A == true) + " " + (b instanceof B != true) + "\n"); // expect: true false
print((b instanceof A && !(A() instanceof B)) + "\n"); // expect: true
print(("a" in t == 2 in t) + " " + ("a" in t == 5 in t) + "\n"); // expect: true false
