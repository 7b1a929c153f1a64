// Arithmetic, _unm, _typeof, _tostring, _cmp, _call and _cloned declared in a class.
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
