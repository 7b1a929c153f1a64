// Default delegates of every type.
local s = "Hello, World";
print(s.len() + " " + s.slice(7) + " " + s.slice(0, 5) + " " + s.slice(-5) + " " + s.slice(-5, -1) + "\n");  // expect: 12 World Hello World Worl
print(s.find("o") + " " + s.find("o", 5) + " " + s.find("xyz") + " " + s.find("") + "\n");  // expect: 4 8 (null : 0x(nil)) 0
print(s.tolower() + " " + s.toupper() + "\n");  // expect: hello, world HELLO, WORLD
print("42".tointeger() + " " + "3.5".tofloat() + " " + "12".tofloat() + " " + "0x10".tointeger() + "\n");  // expect: 42 3.5 12 0
print(typeof "7".tointeger() + " " + typeof "7".tofloat() + " " + "abc".tostring() + "\n");  // expect: integer float abc
try { "abc".slice(2, 1); } catch (e) { print(e + "\n"); }  // expect: wrong indexes
try { "abc".slice(0, 10); } catch (e) { print(e + "\n"); }  // expect: slice out of range
try { print("abc".tointeger()); } catch (e) { print(e + "\n"); }  // expect: cannot convert the string
print(s[0] + " " + s[0].tochar() + "\n");  // expect: 72 H

local n = 65;
print(n.tochar() + " " + n.tofloat() + " " + n.tostring() + " " + (7.9).tointeger() + " " + (-7.9).tointeger() + " " + (2.5).tostring() + "\n");
// expect: A 65 65 7 -7 2.5
print(true.tointeger() + " " + false.tofloat() + " " + true.tostring() + "\n");  // expect: 1 0 true

local a = [5, 3, 8, 1];
print(a.len() + " " + a.top() + "\n");  // expect: 4 1
a.push(9);
a.append(2);
print(a.pop() + " " + a.len() + "\n");  // expect: 2 5
a.insert(0, 7);
a.insert(a.len(), 4);
a.remove(1);
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 7 3 8 1 9 4\x20
a.sort();
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 1 3 4 7 8 9\x20
a.sort(function(x, y) { return y <=> x; });
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 9 8 7 4 3 1\x20
a.reverse();
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 1 3 4 7 8 9\x20
local m = a.map(function(x) { return x * 2; });
foreach (x in m) print(x + " ");
print("\n");  // expect-escaped: 2 6 8 14 16 18\x20
a.apply(function(x) { return x + 1; });
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 2 4 5 8 9 10\x20
print(a.reduce(function(acc, x) { return acc + x; }) + "\n");  // expect: 38
local f = a.filter(function(i, x) { return x % 2 == 0; });
foreach (x in f) print(x + " ");
print("\n");  // expect-escaped: 2 4 8 10\x20
print(a.find(9) + " " + a.find(100) + "\n");  // expect: 4 (null : 0x(nil))
a.resize(2);
print(a.len() + " " + a[1] + "\n");  // expect: 2 4
a.resize(4, "z");
print(a[3] + " " + a.len() + "\n");  // expect: z 4
a.resize(5);
print(a[4] + "\n");  // expect: (null : 0x(nil))
local sl = [1, 2, 3, 4, 5].slice(1, -1);
foreach (x in sl) print(x + " ");
print("\n");  // expect-escaped: 2 3 4\x20
try { [].pop(); } catch (e) { print(e + "\n"); }  // expect: empty array
try { [].top(); } catch (e) { print(e + "\n"); }  // expect: top() on a empty array
try { [1].remove(5); } catch (e) { print(e + "\n"); }  // expect: idx out of range
try { [1].insert(5, 0); } catch (e) { print(e + "\n"); }  // expect: index out of range
try { [1].resize(-1); } catch (e) { print(e + "\n"); }  // expect: negative size
print([].reduce(function(a, b) { return a + b; }) + "\n");  // expect: (null : 0x(nil))
local arr2 = [1, 2];
arr2.clear();
print(arr2.len() + "\n");  // expect: 0

local t = { a = 1, b = 2 };
print(t.len() + " " + t.rawget("a") + " " + t.rawin("b") + " " + t.rawin("c") + "\n");  // expect: 2 1 true false
t.rawset("c", 3);
print(t.c + " " + t.len() + "\n");  // expect: 3 3
print(t.rawdelete("a") + " " + t.rawin("a") + " " + t.rawdelete("nothing") + "\n");  // expect: 1 false (null : 0x(nil))
try { t.rawget("zzz"); } catch (e) { print(e + "\n"); }  // expect: the index doesn't exist
t.clear();
print(t.len() + "\n");  // expect: 0
local d = { x = 10 };
local u = {}.setdelegate(d);
print(u.x + " " + u.rawin("x") + " " + (u.getdelegate() == d) + " " + typeof {}.getdelegate() + "\n");  // expect: 10 false true null

function fn(a, b = 2) { return a + b; }
function va(a, ...) { return a + vargv.len(); }
local info = fn.getinfos();
print(info.name + " " + info.parameters.len() + " " + info.parameters[1] + " " + info.varargs + " " + info.defparams.len() + " " + info.defparams[0] + " " + info.src + "\n");
// expect: fn 3 a 0 1 2 delegates.nut
info = va.getinfos();
print(info.parameters.len() + " " + info.parameters[2] + " " + info.varargs + " " + info.defparams.len() + "\n");  // expect: 4 vargv 1 0
print(typeof print.getinfos().native + " " + print.getinfos().native + "\n");  // expect: bool true
print(fn.call(null, 1) + " " + fn.pcall(null, 1, 5) + " " + va.acall([null, 1, 1, 0, 0]) + " " + fn.pacall([null, 2]) + "\n");  // expect: 3 6 4 4

local cls = class { v = 3; function get() { return v; } };
local inst = cls();
print(cls.rawin("v") + " " + inst.getclass().rawget("v") + " " + (inst.getclass() == cls) + " " + cls.instance().v + "\n");  // expect: true 3 true 3
local w = inst.weakref();
print(typeof w + " " + (w.ref() == inst) + " " + typeof (5).weakref() + "\n");  // expect: weakref true integer

local gen = (function() { yield 1; yield 2; })();
print(gen.getstatus() + " ");
resume gen;
print(gen.getstatus() + " ");
resume gen;
resume gen;
print(gen.getstatus() + "\n");  // expect: suspended suspended dead
