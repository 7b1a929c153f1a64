// Metamethods declared in a class are the class's behaviour, not members: iteration, rawin,
// 'in' and direct calls do not see them; the operators still call them.
class A {
    v = 1;
    function _tostring() { return "A"; }
}
foreach (key, value in A) print(key + "\n"); // expect: v
print(A.rawin("_tostring") + " " + ("_tostring" in A) + " " + ("_tostring" in A()) + "\n"); // expect: false false false
try { A()._tostring(); } catch (e) print(e + "\n"); // expect: the index '_tostring' does not exist
try { A._tostring(); } catch (e) print(e + "\n"); // expect: the index '_tostring' does not exist
print(A().tostring() + " " + A() + "\n"); // expect: A A

// Every metamethod name, each still working.
class Every {
    data = null;
    constructor() { data = { one = 1 }; }
    function _add(o) { return "add"; }
    function _sub(o) { return "sub"; }
    function _mul(o) { return "mul"; }
    function _div(o) { return "div"; }
    function _modulo(o) { return "mod"; }
    function _unm() { return "unm"; }
    function _set(k, v) { data[k] <- v; }
    function _get(k) { if (k in data) return data[k]; throw null; }
    function _typeof() { return "every"; }
    function _nexti(prev) { return prev == null ? "one" : null; }
    function _cmp(o) { return 0; }
    function _call(self, a) { return "call " + a; }
    function _cloned(original) { data = { one = 11 }; }
    function _tostring() { return "every"; }
    function _inherited(attributes) { ::inheritedBy <- "a subclass"; }
    function _newmember(key, value, attributes, isstatic) { ::newMember <- key; }
    function _newslot(k, v) {}
    function _delslot(k) {}
    plain = 0;  // goes to _newmember
}
local names = ["_add", "_sub", "_mul", "_div", "_modulo", "_unm", "_set", "_get", "_typeof", "_nexti",
               "_cmp", "_call", "_cloned", "_tostring", "_inherited", "_newmember", "_newslot", "_delslot"];
local members = [];
foreach (key, value in Every) members.append(key);
members.sort();
print(members.reduce(@(a, b) a + " " + b) + " " + ::newMember + "\n"); // expect: constructor data plain
local e = Every();
local visible = names.filter(@(i, name) (name in Every) || (name in e) || Every.rawin(name) || e.rawin(name));
print(visible.len() + "\n"); // expect: 0
print((e + 1) + " " + (e - 1) + " " + (e * 1) + " " + (e / 1) + " " + (e % 1) + " " + (-e) + "\n"); // expect: add sub mul div mod unm
e.two = 2;
print(e.two + " " + typeof e + " " + (e <=> e) + " " + e(5) + " " + e + "\n"); // expect: 2 every 0 call 5 every
foreach (key, value in e) print(key + "=" + value + "\n"); // expect: one=1
print((clone e).one + "\n"); // expect: 11
class Sub extends Every {}
print(::inheritedBy + " " + Sub().tostring() + "\n"); // expect: a subclass every
try { e._add(1); } catch (err) print(err + "\n"); // expect: the index '_add' does not exist

// A metamethod name holding a non-function value is an ordinary member.
class Valued { _tostring = "just a string"; }
print(Valued.rawin("_tostring") + " " + Valued._tostring + "\n"); // expect: true just a string
