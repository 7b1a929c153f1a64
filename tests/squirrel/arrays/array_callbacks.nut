// sort, map, apply, reduce and filter: arguments, `this` in the callback, errors.
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
show("sort mixed types", function() { return [1, "a"].sort(); });  // expect: sort mixed types: error comparison between 'integer' and 'string'
show("sort throws", function() { return [2, 1].sort(function(x, y) { throw "from compare"; }); });  // expect: sort throws: error from compare
show("sort with a non function", function() { return [2, 1].sort(1); });
// expect: sort with a non function: error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("sort this", function() { local seen = null; [2, 1].sort(function(x, y) { seen = this; return x <=> y; }); return seen == getroottable(); });
// expect: sort this: bool true

local src = [1, 2, 3];
show("map", function() { return dump(src.map(function(x) { return x * 10; })); });  // expect: map: string [10 20 30]
show("map leaves source", function() { return dump(src); });  // expect: map leaves source: string [1 2 3]
show("map this", function() { local r = src.map(function(x) { return this == src; }); return dump(r); });  // expect: map this: string [true true true]
show("map of empty", function() { return [].map(function(x) { return x; }).len(); });  // expect: map of empty: integer 0
show("map throws", function() { return src.map(function(x) { throw "map failed at " + x; }); });  // expect: map throws: error map failed at 1
show("map wrong arity", function() { return src.map(function(x, y) { return x; }); });  // expect: map wrong arity: error wrong number of parameters
show("apply returns", function() { return [1].apply(function(x) { return x; }); });  // expect: apply returns: null (null : 0x(nil))
show("apply", function() { local a = [1, 2, 3]; a.apply(function(x) { return x * x; }); return dump(a); });  // expect: apply: string [1 4 9]
show("apply throws midway", function() { local a = [1, 2, 3]; try { a.apply(function(x) { if (x == 2) throw "stop"; return -x; }); } catch (e) { return e + " " + dump(a); } });
// expect: apply throws midway: string stop [-1 2 3]
show("reduce", function() { return src.reduce(function(acc, x) { return acc + x; }); });  // expect: reduce: integer 6
show("reduce order", function() { return ["a", "b", "c"].reduce(function(acc, x) { return "(" + acc + x + ")"; }); });
// expect: reduce order: string ((ab)c)
show("reduce of one", function() { return [7].reduce(function(acc, x) { throw "not called"; }); });  // expect: reduce of one: integer 7
show("reduce of empty", function() { return [].reduce(function(acc, x) { return acc + x; }); });  // expect: reduce of empty: null (null : 0x(nil))
show("reduce this", function() { return [1, 2].reduce(function(acc, x) { return typeof this; }); });  // expect: reduce this: string array
show("filter", function() { return dump([5, 6, 7, 8].filter(function(i, x) { return x % 2 == 0; })); });  // expect: filter: string [6 8]
show("filter by index", function() { return dump(["a", "b", "c"].filter(function(i, x) { return i != 1; })); });
// expect: filter by index: string [a c]
show("filter truthiness", function() { return dump([0, 1, null, "", 2.5].filter(function(i, x) { return x; })); });
// expect: filter truthiness: string [1  2.5]
show("filter this", function() { local a = [1]; return dump(a.filter(function(i, x) { return this == a; })); });  // expect: filter this: string [1]
show("filter throws", function() { return [1].filter(function(i, x) { throw "filter failed"; }); });  // expect: filter throws: error filter failed
show("map with a non function", function() { return [1].map(1); });
// expect: map with a non function: error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("map with a native", function() { return dump(["1", "22"].map(type)); });  // expect: map with a native: string [string string]
show("filter wrong count", function() { return [1].filter(); });  // expect: filter wrong count: error wrong number of parameters
