// Every metamethod, on instances and on tables with delegates.
class Vec {
  x = 0; y = 0;
  constructor(a, b) { x = a; y = b; }
  function _add(o) { return Vec(x + o.x, y + o.y); }
  function _sub(o) { return Vec(x - o.x, y - o.y); }
  function _mul(k) { return Vec(x * k, y * k); }
  function _div(k) { return Vec(x / k, y / k); }
  function _modulo(k) { return Vec(x % k, y % k); }
  function _unm() { return Vec(-x, -y); }
  function _typeof() { return "Vec"; }
  function _tostring() { return "(" + x + "," + y + ")"; }
  function _cmp(o) { local a = x * x + y * y, b = o.x * o.x + o.y * o.y; return a < b ? -1 : a > b ? 1 : 0; }
  function _call(self, k) { return x * k; }
  function _cloned(orig) { print("cloned from " + orig + "\n"); }
}
local a = Vec(1, 2), b = Vec(3, 4);
print((a + b) + " " + (b - a) + " " + (a * 3) + " " + (b / 2) + " " + (b % 2) + " " + (-a) + "\n");  // expect: (4,6) (2,2) (3,6) (1,2) (1,0) (-1,-2)
print(typeof a + " " + a.tostring() + "\n");  // expect: Vec (1,2)
print((a < b) + " " + (a > b) + " " + (a <= b) + " " + (a >= Vec(2, 1)) + " " + (a == Vec(1, 2)) + " " + (a == a) + "\n");
// expect: true false true true false true
print(a(10) + "\n");  // expect: 10
local c = clone b;  // expect: cloned from (3,4)
c.x = 9;
print(b + " " + c + "\n");  // expect: (3,4) (9,4)
try { print(2 * a); } catch (e) { print(e + "\n"); }  // expect: arith op * on between 'integer' and 'instance'

class Bag {
  data = null;
  constructor() { data = {}; }
  function _get(k) { if (k in data) return data[k]; throw null; }
  function _set(k, v) { data[k] <- v; }
  function _newslot(k, v) { data[k] <- v * 10; }
  function _delslot(k) { print("delete " + k + "\n"); delete data[k]; }
  function _nexti(prev) {
    if (prev == null) return "p";
    if (prev == "p") return "r";
    return null;
  }
}
local bag = Bag();
bag.p = 5;
bag.q <- 6;
print(bag.p + " " + bag.q + "\n");  // expect: 5 60
delete bag.q;  // expect: delete q
bag.r = 7;
try { print(bag.q); } catch (e) { print(e + "\n"); }  // expect: the index 'q' does not exist
foreach (k, v in bag) print(k + "=" + v + " ");
print("\n");  // expect-escaped: p=5 r=7\x20

local proto = {
  _get = function(k) { return "dyn_" + k; },
  _set = function(k, v) { ::print("set " + k + " " + v + "\n"); },
  _newslot = function(k, v) { ::print("newslot " + k + " " + v + "\n"); rawset(k, v); },
  _delslot = function(k) { ::print("delslot " + k + "\n"); rawdelete(k); },
  _add = function(o) { return "added"; },
  _typeof = function() { return "custom"; },
  _tostring = function() { return "T!"; },
  _call = function(self, a, b) { return a + b; },
  _cmp = function(o) { return 1; },
  _unm = function() { return "neg"; }
};
local t = { real = 1 }.setdelegate(proto);
print(t.real + " " + t.virtual + "\n");  // expect: 1 dyn_virtual
t.missing = 3;  // expect: set missing 3
t.fresh <- 4;  // expect: newslot fresh 4
print(t.rawget("fresh") + "\n");  // expect: 4
delete t.fresh;  // expect: delslot fresh
print(t.rawin("fresh") + "\n");  // expect: false
print((t + 1) + " " + typeof t + " " + t + " " + t(2, 3) + " " + (t > {}) + " " + (-t) + "\n");  // expect: added custom T! 5 true neg

class Base {
  function _inherited(attributes) { print("inherited, tag " + attributes.tag + "\n"); }
  function _newmember(idx, val, attrs, isstatic) { print("newmember " + idx + " static " + isstatic + "\n"); rawset(idx, val); }
}
class Derived extends Base </ tag = 1 /> {
// expect: inherited, tag 1
// expect: newmember f static false
// expect: newmember s static true
  function f() { return 1; }
  static s = 2;
}
print(Derived().f() + " " + Derived.s + "\n");  // expect: 1 2
