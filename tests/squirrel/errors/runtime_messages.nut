// The message of each runtime error, next to the code that raises it.
function attempt(f) { try { f(); return "no error"; } catch (e) { return e; } }
local cases = [
  function() { local t = {}; return t.missing; },  // expect: 0: the index 'missing' does not exist
  function() { local t = {}; t.missing = 1; },  // expect: 1: the index 'missing' does not exist
  function() { return [1, 2][5]; },  // expect: 2: the index '5' does not exist
  function() { local a = [1]; a[3] = 0; },  // expect: 3: the index '3' does not exist
  function() { return [1]["x"]; },  // expect: 4: the index 'x' does not exist
  function() { return 1 + {}; },  // expect: 5: arith op + on between 'integer' and 'table'
  function() { return "a" - 1; },  // expect: 6: arith op - on between 'string' and 'integer'
  function() { return -{}; },  // expect: 7: attempt to negate a table
  function() { return null * 2; },  // expect: 8: arith op * on between 'null' and 'integer'
  function() { local x = 5; x(); },  // expect: 9: attempt to call 'integer'
  function() { local t = {}; delete t.nothing; },  // expect: 10: the index 'nothing' does not exist
  function() { local a = [1]; delete a[0]; },  // expect: 11: attempt to delete a slot from a array
  function() { local s = "abc"; s.x <- 1; },  // expect: 12: indexing string with string
  function() { local n = 5; n.x = 1; },  // expect: 13: trying to set 'integer'
  function() { throw "custom"; },  // expect: 14: custom
  function() { throw { code = 7 }; },  // expect: 15: table code 7
  function() { return undefined_name; },  // expect: 16: the index 'undefined_name' does not exist
  function() { return "abc"[10]; },  // expect: 17: the index '10' does not exist
  function() { local c = class {}; local i = c(); i.nomember = 1; },  // expect: 18: the index 'nomember' does not exist
  function() { local c = class {}; local i = c(); i.nomember <- 1; },  // expect: 19: class instances do not support the new slot operator
  function() { local c = class { x = 1 }; c(); c.y <- 2; },  // expect: 20: trying to modify a class that has already been instantiated
  function() { return ~1.5; },  // expect: 21: attempt to perform a bitwise op on a float
  function() { return 1 << 1.5; },  // expect: 22: bitwise op between 'integer' and 'float'
  function() { return array(-1); },  // expect: 23: negative size
  function() { return {}.len(1); },  // expect: 24: wrong number of parameters
  function() { return "a".slice("x"); },  // expect: 25: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
  function() { return null.x; },  // expect: 26: the index 'x' does not exist
  function() { local g = (function() { yield 1; })(); foreach (x in 5) {} },  // expect: 27: cannot iterate integer
  function() { local t = {}; t[null] <- 1; },  // expect: 28: null cannot be used as index
  function() { assert(1 == 2); },  // expect: 29: assertion failed
  function() { class A extends 5 {} },  // expect: 30: trying to inherit from a integer
  function() { local c = class { constructor(a) {} }; c(); },  // expect: 31: wrong number of parameters
  function() { local f = function(a, b) {}; f(1); },  // expect: 32: wrong number of parameters
  function() { local f = function(a, b) {}; f(1, 2, 3); },  // expect: 33: wrong number of parameters
  function() { local t = {}; t.setdelegate(5); },  // expect: 34: parameter 1 has an invalid type 'integer' ; expected: 'null|table'
  function() { (1).weakref().ref(); },  // expect: 35: the index 'ref' does not exist
  function() { return 1 instanceof 2; },  // expect: 36: cannot apply instanceof between a integer and a integer
  function() { local a = {}; local b = {}; a.setdelegate(b); b.setdelegate(a); },  // expect: 37: delagate cycle
  function() { return clone 5; },  // expect: 38: cloning a integer
  function() { local r = {}; r.f <- function() { return this.q; }; return r.f(); },  // expect: 39: the index 'q' does not exist
];
foreach (i, f in cases) {
  local e = attempt(f);
  print(i + ": " + (typeof e == "table" ? "table code " + e.code : e) + "\n");
}
