// Default delegates of every type.
local s = "Hello, World";
print(s.len() + " " + s.slice(7) + " " + s.slice(0, 5) + " " + s.slice(-5) + " " + s.slice(-5, -1) + "\n");
print(s.find("o") + " " + s.find("o", 5) + " " + s.find("xyz") + " " + s.find("") + "\n");
print(s.tolower() + " " + s.toupper() + "\n");
print("42".tointeger() + " " + "3.5".tofloat() + " " + "12".tofloat() + " " + "0x10".tointeger() + "\n");
print(typeof "7".tointeger() + " " + typeof "7".tofloat() + " " + "abc".tostring() + "\n");
try { "abc".slice(2, 1); } catch (e) { print(e + "\n"); }
try { "abc".slice(0, 10); } catch (e) { print(e + "\n"); }
try { print("abc".tointeger()); } catch (e) { print(e + "\n"); }
print(s[0] + " " + s[0].tochar() + "\n");

local n = 65;
print(n.tochar() + " " + n.tofloat() + " " + n.tostring() + " " + (7.9).tointeger() + " " + (-7.9).tointeger() + " " + (2.5).tostring() + "\n");
print(true.tointeger() + " " + false.tofloat() + " " + true.tostring() + "\n");

local a = [5, 3, 8, 1];
print(a.len() + " " + a.top() + "\n");
a.push(9);
a.append(2);
print(a.pop() + " " + a.len() + "\n");
a.insert(0, 7);
a.insert(a.len(), 4);
a.remove(1);
foreach (x in a) print(x + " ");
print("\n");
a.sort();
foreach (x in a) print(x + " ");
print("\n");
a.sort(function(x, y) { return y <=> x; });
foreach (x in a) print(x + " ");
print("\n");
a.reverse();
foreach (x in a) print(x + " ");
print("\n");
local m = a.map(function(x) { return x * 2; });
foreach (x in m) print(x + " ");
print("\n");
a.apply(function(x) { return x + 1; });
foreach (x in a) print(x + " ");
print("\n");
print(a.reduce(function(acc, x) { return acc + x; }) + "\n");
local f = a.filter(function(i, x) { return x % 2 == 0; });
foreach (x in f) print(x + " ");
print("\n");
print(a.find(9) + " " + a.find(100) + "\n");
a.resize(2);
print(a.len() + " " + a[1] + "\n");
a.resize(4, "z");
print(a[3] + " " + a.len() + "\n");
a.resize(5);
print(a[4] + "\n");
local sl = [1, 2, 3, 4, 5].slice(1, -1);
foreach (x in sl) print(x + " ");
print("\n");
try { [].pop(); } catch (e) { print(e + "\n"); }
try { [].top(); } catch (e) { print(e + "\n"); }
try { [1].remove(5); } catch (e) { print(e + "\n"); }
try { [1].insert(5, 0); } catch (e) { print(e + "\n"); }
try { [1].resize(-1); } catch (e) { print(e + "\n"); }
print([].reduce(function(a, b) { return a + b; }) + "\n");
local arr2 = [1, 2];
arr2.clear();
print(arr2.len() + "\n");

local t = { a = 1, b = 2 };
print(t.len() + " " + t.rawget("a") + " " + t.rawin("b") + " " + t.rawin("c") + "\n");
t.rawset("c", 3);
print(t.c + " " + t.len() + "\n");
print(t.rawdelete("a") + " " + t.rawin("a") + " " + t.rawdelete("nothing") + "\n");
try { t.rawget("zzz"); } catch (e) { print(e + "\n"); }
t.clear();
print(t.len() + "\n");
local d = { x = 10 };
local u = {}.setdelegate(d);
print(u.x + " " + u.rawin("x") + " " + (u.getdelegate() == d) + " " + typeof {}.getdelegate() + "\n");

function fn(a, b = 2) { return a + b; }
function va(a, ...) { return a + vargv.len(); }
local info = fn.getinfos();
print(info.name + " " + info.parameters.len() + " " + info.parameters[1] + " " + info.varargs + " " + info.defparams.len() + " " + info.defparams[0] + " " + info.src + "\n");
info = va.getinfos();
print(info.parameters.len() + " " + info.parameters[2] + " " + info.varargs + " " + info.defparams.len() + "\n");
print(typeof print.getinfos().native + " " + print.getinfos().native + "\n");
print(fn.call(null, 1) + " " + fn.pcall(null, 1, 5) + " " + va.acall([null, 1, 1, 0, 0]) + " " + fn.pacall([null, 2]) + "\n");

local cls = class { v = 3; function get() { return v; } };
local inst = cls();
print(cls.rawin("v") + " " + inst.getclass().rawget("v") + " " + (inst.getclass() == cls) + " " + cls.instance().v + "\n");
local w = inst.weakref();
print(typeof w + " " + (w.ref() == inst) + " " + typeof (5).weakref() + "\n");

local gen = (function() { yield 1; yield 2; })();
print(gen.getstatus() + " ");
resume gen;
print(gen.getstatus() + " ");
resume gen;
resume gen;
print(gen.getstatus() + "\n");
