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
}
local ok = compilestring("return 6 * 7;");
print(ok() + " " + typeof ok + "\n");
local withargs = compilestring("return vargv.len();");
print(withargs.call(this, 1, 2, 3) + "\n");
