// getinfos().varargs is the integer 0 or 1.
function fixed(a, b) {}
function variadic(a, ...) {}
local fi = fixed.getinfos(), vi = variadic.getinfos();
print(fi.varargs + " " + typeof fi.varargs + "\n"); // expect: 0 integer
print(vi.varargs + " " + typeof vi.varargs + "\n"); // expect: 1 integer
print((fi.varargs == false) + " " + (vi.varargs == 1) + "\n"); // expect: false true
print((function(...) {}).getinfos().varargs + " " + (@() 0).getinfos().varargs + "\n"); // expect: 1 0
print(("varargs" in print.getinfos()) + "\n"); // expect: false
