// Array slices: negative indexes, empty and out-of-range slices, a copy.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}
function dump(a) {
  local out = "[";
  foreach (i, x in a) out += (i ? " " : "") + x;
  return out + "]";
}

local sl = [10, 20, 30, 40, 50];
show("slice(1)", function() { return dump(sl.slice(1)); });  // expect: slice(1): string [20 30 40 50]
show("slice(1, 3)", function() { return dump(sl.slice(1, 3)); });  // expect: slice(1, 3): string [20 30]
show("slice(-2)", function() { return dump(sl.slice(-2)); });  // expect: slice(-2): string [40 50]
show("slice(1, -1)", function() { return dump(sl.slice(1, -1)); });  // expect: slice(1, -1): string [20 30 40]
show("slice(5)", function() { return dump(sl.slice(5)); });  // expect: slice(5): string []
show("slice(0, 0)", function() { return dump(sl.slice(0, 0)); });  // expect: slice(0, 0): string []
show("slice()", function() { return dump(sl.slice()); });  // expect: slice(): string [10 20 30 40 50]
show("slice(3, 1)", function() { return sl.slice(3, 1); });  // expect: slice(3, 1): error wrong indexes
show("slice(0, 6)", function() { return sl.slice(0, 6); });  // expect: slice(0, 6): error slice out of range
show("slice(-6)", function() { return sl.slice(-6); });  // expect: slice(-6): error slice out of range
show("slice('a')", function() { return sl.slice("a"); });
// expect: slice('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("slice copies", function() { local c = sl.slice(0); c[0] = 99; return sl[0]; });  // expect: slice copies: integer 10
