// resize, reverse and clear of arrays.
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

show("resize shrinks", function() { local r = [1, 2, 3]; r.resize(1); return dump(r); });  // expect: resize shrinks: string [1]
show("resize grows with null", function() { local r = [1]; r.resize(3); return dump(r); });
// expect: resize grows with null: string [1 (null : 0x(nil)) (null : 0x(nil))]
show("resize fill", function() { local r = [1]; r.resize(3, "f"); return dump(r); });  // expect: resize fill: string [1 f f]
show("resize returns", function() { return [1].resize(0); });  // expect: resize returns: null (null : 0x(nil))
show("resize(-1)", function() { return [1].resize(-1); });  // expect: resize(-1): error negative size
show("resize('a')", function() { return [1].resize("a"); });
// expect: resize('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("resize(2.9)", function() { local r = []; r.resize(2.9); return r.len(); });  // expect: resize(2.9): integer 2

show("reverse returns", function() { return [1, 2].reverse(); });  // expect: reverse returns: null (null : 0x(nil))
show("reverse", function() { local r = [1, 2, 3, 4]; r.reverse(); return dump(r); });  // expect: reverse: string [4 3 2 1]
show("reverse of one", function() { local r = [1]; r.reverse(); return dump(r); });  // expect: reverse of one: string [1]
show("clear returns", function() { return [1].clear(); });  // expect: clear returns: null (null : 0x(nil))
show("clear", function() { local r = [1, 2]; r.clear(); return r.len(); });  // expect: clear: integer 0
