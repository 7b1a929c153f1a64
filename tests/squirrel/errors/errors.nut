// Runtime error messages of the reference interpreter and compilestring error paths.
function attempt(f) { try { f(); return "no error"; } catch (e) { return e; } }
local cases = [
  function() { local t = {}; return t.missing; },
  function() { local t = {}; t.missing = 1; },
  function() { return [1, 2][5]; },
  function() { local a = [1]; a[3] = 0; },
  function() { return [1]["x"]; },
  function() { return 1 + {}; },
  function() { return "a" - 1; },
  function() { return -{}; },
  function() { return null * 2; },
  function() { local x = 5; x(); },
  function() { local t = {}; delete t.nothing; },
  function() { local a = [1]; delete a[0]; },
  function() { local s = "abc"; s.x <- 1; },
  function() { local n = 5; n.x = 1; },
  function() { throw "custom"; },
  function() { throw { code = 7 }; },
  function() { return undefined_name; },
  function() { return "abc"[10]; },
  function() { local c = class {}; local i = c(); i.nomember = 1; },
  function() { local c = class {}; local i = c(); i.nomember <- 1; },
  function() { local c = class { x = 1 }; c(); c.y <- 2; },
  function() { return ~1.5; },
  function() { return 1 << 1.5; },
  function() { return array(-1); },
  function() { return {}.len(1); },
  function() { return "a".slice("x"); },
  function() { return null.x; },
  function() { local g = (function() { yield 1; })(); foreach (x in 5) {} },
  function() { local t = {}; t[null] <- 1; },
  function() { assert(1 == 2); },
  function() { class A extends 5 {} },
  function() { local c = class { constructor(a) {} }; c(); },
  function() { local f = function(a, b) {}; f(1); },
  function() { local f = function(a, b) {}; f(1, 2, 3); },
  function() { local t = {}; t.setdelegate(5); },
  function() { (1).weakref().ref(); },
  function() { return 1 instanceof 2; },
  function() { local a = {}; local b = {}; a.setdelegate(b); b.setdelegate(a); },
  function() { return clone 5; },
  function() { local r = {}; r.f <- function() { return this.q; }; return r.f(); },
];
foreach (i, f in cases) {
  local e = attempt(f);
  print(i + ": " + (typeof e == "table" ? "table code " + e.code : e) + "\n");
  // expect: 0: the index 'missing' does not exist
  // expect: 1: the index 'missing' does not exist
  // expect: 2: the index '5' does not exist
  // expect: 3: the index '3' does not exist
  // expect: 4: the index 'x' does not exist
  // expect: 5: arith op + on between 'integer' and 'table'
  // expect: 6: arith op - on between 'string' and 'integer'
  // expect: 7: attempt to negate a table
  // expect: 8: arith op * on between 'null' and 'integer'
  // expect: 9: attempt to call 'integer'
  // expect: 10: the index 'nothing' does not exist
  // expect: 11: attempt to delete a slot from a array
  // expect: 12: indexing string with string
  // expect: 13: trying to set 'integer'
  // expect: 14: custom
  // expect: 15: table code 7
  // expect: 16: the index 'undefined_name' does not exist
  // expect: 17: the index '10' does not exist
  // expect: 18: the index 'nomember' does not exist
  // expect: 19: class instances do not support the new slot operator
  // expect: 20: trying to modify a class that has already been instantiated
  // expect: 21: attempt to perform a bitwise op on a float
  // expect: 22: bitwise op between 'integer' and 'float'
  // expect: 23: negative size
  // expect: 24: wrong number of parameters
  // expect: 25: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
  // expect: 26: the index 'x' does not exist
  // expect: 27: cannot iterate integer
  // expect: 28: null cannot be used as index
  // expect: 29: assertion failed
  // expect: 30: trying to inherit from a integer
  // expect: 31: wrong number of parameters
  // expect: 32: wrong number of parameters
  // expect: 33: wrong number of parameters
  // expect: 34: parameter 1 has an invalid type 'integer' ; expected: 'null|table'
  // expect: 35: the index 'ref' does not exist
  // expect: 36: cannot apply instanceof between a integer and a integer
  // expect: 37: delagate cycle
  // expect: 38: cloning a integer
  // expect: 39: the index 'q' does not exist
}

local bad = [
  "local = 1;",
  "x = ;",
  "function (",
  "return 1 +",
  "local a = \"unterminated",
  "break;",
  "continue;",
  "local a = 1; local a = 2;",
  "class A { x = 1; x = 2; }",
  "foo(1, 2",
  "local t = { a = 1, a = 2 };",
  "1 = 2;",
  "'ab'",
  "/* never closed",
  "enum E { A = x }",
  "const C = [1];",
];
foreach (src in bad) {
  try { compilestring(src, "snippet"); print("compiled: " + src + "\n"); } catch (e) { print(e + "\n"); }
  // expect: expected 'IDENTIFIER'
  // expect: expression expected
  // expect: expected 'IDENTIFIER'
  // expect: expression expected
  // expect: unfinished string
  // expect: 'break' has to be in a loop block
  // expect: 'continue' has to be in a loop block
  // expect: compiled: local a = 1; local a = 2;
  // expect: compiled: class A { x = 1; x = 2; }
  // expect: expression expected
  // expect: compiled: local t = { a = 1, a = 2 };
  // expect: can't assign expression
  // expect: constant too long
  // expect: missing "*/" in comment
  // expect: scalar expected : integer,float or string
  // expect: scalar expected : integer,float or string
}
local ok = compilestring("return 6 * 7;");
print(ok() + " " + typeof ok + "\n");  // expect: 42 function
local withargs = compilestring("return vargv.len();");
print(withargs.call(this, 1, 2, 3) + "\n");  // expect: 3
