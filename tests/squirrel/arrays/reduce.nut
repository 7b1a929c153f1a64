// array.reduce: left to right from the first element; empty and one-element arrays.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local src = [1, 2, 3];
show("reduce", function() { return src.reduce(function(acc, x) { return acc + x; }); });  // expect: reduce: integer 6
show("reduce order", function() { return ["a", "b", "c"].reduce(function(acc, x) { return "(" + acc + x + ")"; }); });
// expect: reduce order: string ((ab)c)
show("reduce of one", function() { return [7].reduce(function(acc, x) { throw "not called"; }); });  // expect: reduce of one: integer 7
show("reduce of empty", function() { return [].reduce(function(acc, x) { return acc + x; }); });  // expect: reduce of empty: null (null : 0x(nil))
show("reduce this", function() { return [1, 2].reduce(function(acc, x) { return typeof this; }); });  // expect: reduce this: string array
