function f(a, ...) { local s = a; foreach (v in vargv) s += v; return s; }
function g(a, b = 2) { return a * b; }
class C { x = 1; function g() { return ::f(x, 3, 4) > 9 ? "big" : 0.5; } }
return C().g();
