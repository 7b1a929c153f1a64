// array.sort: the order it gives, the compare function's result, `this` in it, and errors.
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

show("sort returns", function() { return [2, 1].sort(); });  // expect: sort returns: null (null : 0x(nil))
show("sort numbers", function() { local a = [5, 3.5, -1, 8, 0, 3]; a.sort(); return dump(a); });  // expect: sort numbers: string [-1 0 3 3.5 5 8]
show("sort strings", function() { local a = ["pear", "apple", "Zoo", "fig"]; a.sort(); return dump(a); });
// expect: sort strings: string [Zoo apple fig pear]
show("sort descending", function() { local a = [1, 4, 2, 3]; a.sort(function(x, y) { return y <=> x; }); return dump(a); });
// expect: sort descending: string [4 3 2 1]
show("sort by float result", function() { local a = [3, 1, 2]; a.sort(function(x, y) { return (x - y) * 1.5; }); return dump(a); });
// expect: sort by float result: string [1 2 3]
show("sort of empty", function() { local a = []; a.sort(); return dump(a); });  // expect: sort of empty: string []
show("sort of one", function() { local a = [1]; a.sort(function(x, y) { throw "not called"; }); return dump(a); });  // expect: sort of one: string [1]
show("sort bool result", function() { return [2, 1].sort(function(x, y) { return x > y; }); });
// expect: sort bool result: error numeric value expected as return value of the compare function
show("sort mixed types", function() { return [1, "a"].sort(); });  // expect: sort mixed types: error comparison between '1' and 'a'
show("sort throws", function() { return [2, 1].sort(function(x, y) { throw "from compare"; }); });  // expect: sort throws: error from compare
show("sort with a non function", function() { return [2, 1].sort(1); });
// expect: sort with a non function: error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("sort this", function() { local seen = null; [2, 1].sort(function(x, y) { seen = this; return x <=> y; }); return seen == getroottable(); });
// expect: sort this: bool true
