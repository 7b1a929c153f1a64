::animalsMade <- 0; class Animal {
    name = null;
    static count = 0;
    constructor(n) { name = n; ::animalsMade++; }
    function speak() { return name + " makes a sound"; }
    function _tostring() { return "Animal(" + name + ")"; }
}
class Dog extends Animal {
    constructor(n) { base.constructor(n); }
    function speak() { return base.speak() + ": woof"; }
}
local d = Dog("rex");
print(d.speak() + "\n");  // expect: rex makes a sound: woof
print((d instanceof Animal) + " " + (d instanceof Dog) + " " + ::animalsMade + "\n");  // expect: true true 1
print(d + "\n");  // expect: Animal(rex)
try { d.missing = 1; } catch (e) { print(e + "\n"); }  // expect: the index 'missing' does not exist
class Vec {
    x = 0; y = 0;
    constructor(a, b) { x = a; y = b; }
    function _add(o) { return Vec(x + o.x, y + o.y); }
    function _get(k) { if (k == "len") return x + y; throw null; }
    function _cmp(o) { return x - o.x; }
}
local v = Vec(1, 2) + Vec(3, 4);
print(v.x + "," + v.y + " " + v.len + " " + (Vec(1,0) < Vec(2,0)) + "\n");  // expect: 4,6 10 true
try { print(v.nothere); } catch (e) { print(e + "\n"); }  // expect: the index 'nothere' does not exist
function gen(n) { for (local i = 0; i < n; i++) yield i * i; return -1; }
foreach (x in gen(4)) print(x + " ");
print("\n");  // expect-escaped: 0 1 4 9\x20
local g = gen(2);
print(resume g); print(resume g); print(resume g); print(" " + g.getstatus() + "\n");  // expect: 01-1 dead
local th = newthread(function(a) { local b = suspend(a + 1); return b * 10; });
print(th.call(1) + " " + th.getstatus() + " ");
print(th.wakeup(5) + " " + th.getstatus() + "\n");  // expect: 2 suspended 50 idle
function makeref() { local t = { a = 1 }; local w = t.weakref(); print(w.ref().a + " "); return w; }
local w = makeref();
print((w.ref() == null) + "\n");  // expect: 1 true
local arr = [1, 2, 3, 4];
print(arr.map(function(x) { return x * 2; }).reduce(function(a, b) { return a + b; }) + " ");
print(arr.filter(function(i, x) { return x % 2 == 0; }).len() + " " + arr.find(3) + "\n");  // expect: 20 2 2
function deep(n) { return deep(n + 1) + 1; }
try { deep(0); } catch (e) { print(e + "\n"); }  // expect: stack overflow
function va(...) { return vargv.len(); }
function dp(a, b = 10) { return a + b; }
print(va(1, 2, 3) + " " + dp(1) + " " + dp(1, 2) + "\n");  // expect: 3 11 3
try { dp(); } catch (e) { print(e + "\n"); }  // expect: wrong number of parameters
try { "abc".slice(1, 10); } catch (e) { print(e + "\n"); }  // expect: slice out of range
print("abc"[-1] + "\n");  // expect: 99
local cyc = {}; cyc.self <- cyc; cyc = null;
print((collectgarbage() >= 1) + "\n");  // expect: true
