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

show("sort returns", function() { return [2, 1].sort(); });
show("sort numbers", function() { local a = [5, 3.5, -1, 8, 0, 3]; a.sort(); return dump(a); });
show("sort strings", function() { local a = ["pear", "apple", "Zoo", "fig"]; a.sort(); return dump(a); });
show("sort descending", function() { local a = [1, 4, 2, 3]; a.sort(function(x, y) { return y <=> x; }); return dump(a); });
show("sort by float result", function() { local a = [3, 1, 2]; a.sort(function(x, y) { return (x - y) * 1.5; }); return dump(a); });
show("sort of empty", function() { local a = []; a.sort(); return dump(a); });
show("sort of one", function() { local a = [1]; a.sort(function(x, y) { throw "not called"; }); return dump(a); });
show("sort bool result", function() { return [2, 1].sort(function(x, y) { return x > y; }); });
show("sort mixed types", function() { return [1, "a"].sort(); });
show("sort throws", function() { return [2, 1].sort(function(x, y) { throw "from compare"; }); });
show("sort with a non function", function() { return [2, 1].sort(1); });
show("sort this", function() { local seen = null; [2, 1].sort(function(x, y) { seen = this; return x <=> y; }); return seen == getroottable(); });

local src = [1, 2, 3];
show("map", function() { return dump(src.map(function(x) { return x * 10; })); });
show("map leaves source", function() { return dump(src); });
show("map this", function() { local r = src.map(function(x) { return this == src; }); return dump(r); });
show("map of empty", function() { return [].map(function(x) { return x; }).len(); });
show("map throws", function() { return src.map(function(x) { throw "map failed at " + x; }); });
show("map wrong arity", function() { return src.map(function(x, y) { return x; }); });
show("apply returns", function() { return [1].apply(function(x) { return x; }); });
show("apply", function() { local a = [1, 2, 3]; a.apply(function(x) { return x * x; }); return dump(a); });
show("apply throws midway", function() { local a = [1, 2, 3]; try { a.apply(function(x) { if (x == 2) throw "stop"; return -x; }); } catch (e) { return e + " " + dump(a); } });
show("reduce", function() { return src.reduce(function(acc, x) { return acc + x; }); });
show("reduce order", function() { return ["a", "b", "c"].reduce(function(acc, x) { return "(" + acc + x + ")"; }); });
show("reduce of one", function() { return [7].reduce(function(acc, x) { throw "not called"; }); });
show("reduce of empty", function() { return [].reduce(function(acc, x) { return acc + x; }); });
show("reduce this", function() { return [1, 2].reduce(function(acc, x) { return typeof this; }); });
show("filter", function() { return dump([5, 6, 7, 8].filter(function(i, x) { return x % 2 == 0; })); });
show("filter by index", function() { return dump(["a", "b", "c"].filter(function(i, x) { return i != 1; })); });
show("filter truthiness", function() { return dump([0, 1, null, "", 2.5].filter(function(i, x) { return x; })); });
show("filter this", function() { local a = [1]; return dump(a.filter(function(i, x) { return this == a; })); });
show("filter throws", function() { return [1].filter(function(i, x) { throw "filter failed"; }); });
show("map with a non function", function() { return [1].map(1); });
show("map with a native", function() { return dump(["1", "22"].map(type)); });
show("filter wrong count", function() { return [1].filter(); });
