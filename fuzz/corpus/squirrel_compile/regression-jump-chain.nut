function f(a, b) {
if (a) { if (b) print(1); else print(2); } else print(3);
}
