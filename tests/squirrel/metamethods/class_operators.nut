// _add, _get and _cmp declared in a class serve +, a missing member and <.
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
