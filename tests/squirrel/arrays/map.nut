// array.map: a new array of the results, the source kept, `this` in the callback, and errors.
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

local src = [1, 2, 3];
show("map", function() { return dump(src.map(function(x) { return x * 10; })); });  // expect: map: string [10 20 30]
show("map leaves source", function() { return dump(src); });  // expect: map leaves source: string [1 2 3]
show("map this", function() { local r = src.map(function(x) { return this == src; }); return dump(r); });  // expect: map this: string [true true true]
show("map of empty", function() { return [].map(function(x) { return x; }).len(); });  // expect: map of empty: integer 0
show("map throws", function() { return src.map(function(x) { throw "map failed at " + x; }); });  // expect: map throws: error map failed at 1
show("map wrong arity", function() { return src.map(function(x, y) { return x; }); });  // expect: map wrong arity: error wrong number of parameters
show("map with a non function", function() { return [1].map(1); });
// expect: map with a non function: error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("map with a native", function() { return dump(["1", "22"].map(type)); });  // expect: map with a native: string [string string]
