// A class changes only through '<-', and only until its first instance: '=' and the
// compound forms on a class raise "trying to set 'class'"; through an instance only fields can
// be set, and a method or static member is as missing as any other key.
class C {
    x = 1;
    static s = 2;
    function m() { return "m"; }
}
function attempt(label, action) {
    try {
        action();
        print(label + ": done\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}
attempt("C.x = 5", function() { C.x = 5; }); // expect: C.x = 5: trying to set 'class'
attempt("C.s = 6", function() { C.s = 6; }); // expect: C.s = 6: trying to set 'class'
attempt("C.m = null", function() { C.m = null; }); // expect: C.m = null: trying to set 'class'
attempt("C.missing = 1", function() { C.missing = 1; }); // expect: C.missing = 1: trying to set 'class'
attempt("C[\"x\"] = 5", function() { C["x"] = 5; }); // expect: C["x"] = 5: trying to set 'class'
attempt("C.x += 1", function() { C.x += 1; }); // expect: C.x += 1: trying to set 'class'
attempt("C.x -= 1", function() { C.x -= 1; }); // expect: C.x -= 1: trying to set 'class'
attempt("C.x *= 2", function() { C.x *= 2; }); // expect: C.x *= 2: trying to set 'class'
attempt("C.x /= 2", function() { C.x /= 2; }); // expect: C.x /= 2: trying to set 'class'
attempt("C.x %= 2", function() { C.x %= 2; }); // expect: C.x %= 2: trying to set 'class'
attempt("C.s++", function() { C.s++; }); // expect: C.s++: trying to set 'class'
attempt("C.s--", function() { C.s--; }); // expect: C.s--: trying to set 'class'
attempt("++C.s", function() { ++C.s; }); // expect: ++C.s: trying to set 'class'
attempt("--C.x", function() { --C.x; }); // expect: --C.x: trying to set 'class'
class D extends C {}
attempt("D.s = 1 on a derived class", function() { D.s = 1; }); // expect: D.s = 1 on a derived class: trying to set 'class'
print(C.x + " " + C.s + " " + C.m() + "\n"); // expect: 1 2 m

// '<-' adds members and replaces defaults until an instance exists.
C.y <- 3;
C.x <- 10;
C.n <- function() { return "n"; };
print(C.y + " " + C.x + " " + C.n() + "\n"); // expect: 3 10 n

local c = C();
print(c.x + " " + c.y + " " + c.s + "\n"); // expect: 10 3 2
attempt("c.s = 7", function() { c.s = 7; }); // expect: c.s = 7: the index 's' does not exist
attempt("c.s += 7", function() { c.s += 7; }); // expect: c.s += 7: the index 's' does not exist
attempt("c.s++", function() { c.s++; }); // expect: c.s++: the index 's' does not exist
attempt("--c.s", function() { --c.s; }); // expect: --c.s: the index 's' does not exist
attempt("c.m = 1", function() { c.m = 1; }); // expect: c.m = 1: the index 'm' does not exist
attempt("c.missing = 1", function() { c.missing = 1; }); // expect: c.missing = 1: the index 'missing' does not exist
print(c.s + " " + C.s + "\n"); // expect: 2 2

// Fields of an instance stay writable by every form.
c.x = 20;
c.x += 1;
c.x++;
++c.x;
c.x *= 2;
print(c.x + " " + C.x + "\n"); // expect: 46 10

// Once instantiated, the class takes no new data member.
attempt("C.z <- 1", function() { C.z <- 1; }); // expect: C.z <- 1: trying to modify a class that has already been instantiated
attempt("C.x <- 1", function() { C.x <- 1; }); // expect: C.x <- 1: trying to modify a class that has already been instantiated

// A static member changed from inside the class's own methods is refused too.
class Counted {
    static made = 0;
    constructor() { made++; }
}
attempt("made++ in a constructor", function() { Counted(); }); // expect: made++ in a constructor: the index 'made' does not exist

// An instance's _set sees a static or method assigned through it, as it sees a missing key.
class Guarded {
    static S = 1;
    function m() {}
    function _set(key, value) { print("_set " + key + " " + value + "\n"); }
}
local g = Guarded();
g.S = 5; // expect: _set S 5
g.m = 6; // expect: _set m 6
g.other = 7; // expect: _set other 7
print(Guarded.S + " " + g.S + "\n"); // expect: 1 1
