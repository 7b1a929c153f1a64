// Integer modulo by zero raises "modulo by zero" on every path; division keeps its own text.
function attempt(label, action) {
    try { print(label + ": " + action() + "\n"); } catch (e) print(label + ": " + e + "\n");
}
local zero = 0, seven = 7;
attempt("constants", @() 7 % 0); // expect: constants: modulo by zero
attempt("locals", @() seven % zero); // expect: locals: modulo by zero
attempt("negative", @() -7 % zero); // expect: negative: modulo by zero
attempt("local %=", function() { local x = 7; x %= zero; return x; }); // expect: local %=: modulo by zero
attempt("outer %=", function() { seven %= zero; return seven; }); // expect: outer %=: modulo by zero
local t = { v = 7 }, a = [7];
attempt("table slot %=", function() { t.v %= 0; return t.v; }); // expect: table slot %=: modulo by zero
attempt("array item %=", function() { a[0] %= 0; return a[0]; }); // expect: array item %=: modulo by zero
class Box { v = 7; }
local box = Box();
attempt("field %=", function() { box.v %= 0; return box.v; }); // expect: field %=: modulo by zero
attempt("in a loop", function() { local s = 0; for (local i = 3; i >= 0; i--) s += 12 % i; return s; }); // expect: in a loop: modulo by zero
print(seven + " " + t.v + " " + a[0] + " " + box.v + "\n"); // expect: 7 7 7 7
attempt("division", @() seven / zero); // expect: division: division by zero
attempt("division /=", function() { t.v /= 0; }); // expect: division /=: division by zero
attempt("float modulo", @() typeof (7.0 % 0)); // expect: float modulo: float
attempt("ordinary", @() (7 % 3) + " " + (-7 % 3) + " " + (7 % -1) + " " + ((-2147483647 - 1) % -1)); // expect: ordinary: 1 -1 0 0
