// enum and const take true and false like the other scalars.
const ON = true;
const OFF = false;
enum Flags { yes = true, no = false, count = 3, name = "flags" }
print(ON + " " + OFF + " " + typeof ON + " " + typeof OFF + "\n"); // expect: true false bool bool
print(Flags.yes + " " + Flags.no + " " + Flags.count + " " + Flags.name + "\n"); // expect: true false 3 flags
print(typeof Flags.yes + " " + (Flags.yes == true) + " " + (Flags.no == ON) + "\n"); // expect: bool true false
if (ON && !OFF) print("branches\n"); // expect: branches
local picked = Flags.no ? "yes" : "no";
print(picked + "\n"); // expect: no
switch (true) { case ON: print("case\n"); break; } // expect: case
function attempt(source) {
    try { compilestring(source)(); print("compiled\n"); } catch (e) print(e + "\n");
}
attempt("const X = null;"); // expect: scalar expected : integer,float or string
attempt("enum E { a = [1] }"); // expect: scalar expected : integer,float or string
attempt("const X = -true;"); // expect: scalar expected : integer,float
attempt("enum E2 { a = true, b }"); // expect: compiled
