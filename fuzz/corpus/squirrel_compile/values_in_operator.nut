// `key in container` looks only at the container's own slots: no delegate, no _get, no root
// table, and a missing key is plain false.
local t = { a = 1, w = null, [3] = "three", [1.5] = "float" };
t.setdelegate({ d = 1, _get = function(k) { return 42; } });
print(("a" in t) + " " + ("w" in t) + " " + ("b" in t) + " " + ("d" in t) + "\n");  // expect: true true false false
print((3 in t) + " " + (4 in t) + " " + (1.5 in t) + " " + (null in t) + " " + (true in t) + "\n");  // expect: true false true false false
class Base { f = 1; function m() { return 1; } static s = 2; }
class Sub extends Base { g = 2; function _get(k) { return 7; } }
local o = Sub();
print(("f" in o) + " " + ("g" in o) + " " + ("m" in o) + " " + ("s" in o) + " " + ("x" in o) + "\n");  // expect: true true true true false
print(("f" in Sub) + " " + ("m" in Base) + " " + ("g" in Base) + " " + ("len" in Sub) + "\n");  // expect: true true false false
local arr = [10, 20, 30];
print((0 in arr) + " " + (2 in arr) + " " + (3 in arr) + " " + (-1 in arr) + " " + (1.9 in arr) + " " + ("len" in arr) + "\n");  // expect: true true false false true false
local s = "abc";
print((0 in s) + " " + (2 in s) + " " + (3 in s) + " " + (-1 in s) + " " + (-3 in s) + " " + (-4 in s) + " " + ("len" in s) + "\n");  // expect: true true false true false false false
print(("a" in 5) + " " + ("a" in null) + " " + ("print" in function() {}) + "\n");  // expect: false false false
// as a loop condition and a stored value
local keys = ["a", "b", 3, 4], found = 0;
foreach (k in keys) if (k in t) found++;
local i = 0;
while (keys[i] in t) i++;
local r = "b" in t;
print(found + " " + i + " " + r + " " + typeof r + "\n");  // expect: 2 1 false bool
// a miss leaves the error of a later failure untouched
try { local plain = {}; plain.nothing; } catch (e) { print(e + "\n"); }  // expect: the index 'nothing' does not exist
try { local q = ("zz" in t); throw "after " + q; } catch (e) { print(e + "\n"); }  // expect: after false
