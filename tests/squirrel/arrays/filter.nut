// array.filter: the callback gets index and value; truthiness decides; errors.
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

show("filter", function() { return dump([5, 6, 7, 8].filter(function(i, x) { return x % 2 == 0; })); });  // expect: filter: string [6 8]
show("filter by index", function() { return dump(["a", "b", "c"].filter(function(i, x) { return i != 1; })); });
// expect: filter by index: string [a c]
show("filter truthiness", function() { return dump([0, 1, null, "", 2.5].filter(function(i, x) { return x; })); });
// expect: filter truthiness: string [1  2.5]
show("filter this", function() { local a = [1]; return dump(a.filter(function(i, x) { return this == a; })); });  // expect: filter this: string [1]
show("filter throws", function() { return [1].filter(function(i, x) { throw "filter failed"; }); });  // expect: filter throws: error filter failed
show("filter wrong count", function() { return [1].filter(); });  // expect: filter wrong count: error wrong number of parameters
