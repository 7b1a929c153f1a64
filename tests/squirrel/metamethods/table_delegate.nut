// Every metamethod of a table's delegate: slots, arithmetic, typeof, tostring, call, compare, negation.
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
