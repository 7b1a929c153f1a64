// compilestring: the message of each compile error (some duplicates compile), and a good chunk with its arguments.
local bad = [
  "local = 1;",  // expect: expected 'IDENTIFIER'
  "x = ;",  // expect: expression expected
  "function (",  // expect: expected 'IDENTIFIER'
  "return 1 +",  // expect: expression expected
  "local a = \"unterminated",  // expect: unfinished string
  "break;",  // expect: 'break' has to be in a loop block
  "continue;",  // expect: 'continue' has to be in a loop block
  "local a = 1; local a = 2;",  // expect: compiled: local a = 1; local a = 2;
  "class A { x = 1; x = 2; }",  // expect: compiled: class A { x = 1; x = 2; }
  "foo(1, 2",  // expect: expression expected
  "local t = { a = 1, a = 2 };",  // expect: compiled: local t = { a = 1, a = 2 };
  "1 = 2;",  // expect: can't assign expression
  "'ab'",  // expect: constant too long
  "/* never closed",  // expect: missing "*/" in comment
  "enum E { A = x }",  // expect: scalar expected : integer,float or string
  "const C = [1];",  // expect: scalar expected : integer,float or string
];
foreach (src in bad) {
  try { compilestring(src, "snippet"); print("compiled: " + src + "\n"); } catch (e) { print(e + "\n"); }
}
local ok = compilestring("return 6 * 7;");
print(ok() + " " + typeof ok + "\n");  // expect: 42 function
local withargs = compilestring("return vargv.len();");
print(withargs.call(this, 1, 2, 3) + "\n");  // expect: 3
