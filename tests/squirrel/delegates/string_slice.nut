// len and slice: negative indexes count from the end; out of range is an error.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local s = "Hello, World";
show("len", function() { return s.len(); });  // expect: len: integer 12
show("''.len", function() { return "".len(); });  // expect: ''.len: integer 0
show("slice(7)", function() { return s.slice(7); });  // expect: slice(7): string World
show("slice(0, 5)", function() { return s.slice(0, 5); });  // expect: slice(0, 5): string Hello
show("slice(-5)", function() { return s.slice(-5); });  // expect: slice(-5): string World
show("slice(-5, -1)", function() { return s.slice(-5, -1); });  // expect: slice(-5, -1): string Worl
show("slice(3, 3)", function() { return s.slice(3, 3); });  // expect-escaped: slice(3, 3): string\x20
show("slice(12)", function() { return s.slice(12); });  // expect-escaped: slice(12): string\x20
show("slice(1.9, 4.2)", function() { return s.slice(1.9, 4.2); });  // expect: slice(1.9, 4.2): string ell
show("slice(-12)", function() { return s.slice(-12); });  // expect: slice(-12): string Hello, World
show("slice(-13)", function() { return s.slice(-13); });  // expect: slice(-13): error slice out of range
show("slice(13)", function() { return s.slice(13); });  // expect: slice(13): error wrong indexes
show("slice(0, 13)", function() { return s.slice(0, 13); });  // expect: slice(0, 13): error slice out of range
show("slice(5, 2)", function() { return s.slice(5, 2); });  // expect: slice(5, 2): error wrong indexes
show("slice(-1, -2)", function() { return s.slice(-1, -2); });  // expect: slice(-1, -2): error wrong indexes
show("slice()", function() { return s.slice(); });  // expect: slice(): string Hello, World
show("slice('a')", function() { return s.slice("a"); });
// expect: slice('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("slice(0, null)", function() { return s.slice(0, null); });
// expect: slice(0, null): error parameter 2 has an invalid type 'null' ; expected: 'integer|float'
show("slice(0, 1, 2)", function() { return s.slice(0, 1, 2); });  // expect: slice(0, 1, 2): string H
