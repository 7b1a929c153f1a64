// find compares by value for numbers and strings and by identity for tables.
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

show("find", function() { return [1, "a", 2.0, null].find(2); });  // expect: find: integer 2
show("find string", function() { return [1, "a", 2.0, null].find("a"); });  // expect: find string: integer 1
show("find null", function() { return [1, "a", 2.0, null].find(null); });  // expect: find null: integer 3
show("find missing", function() { return [1, 2].find(3); });  // expect: find missing: null (null : 0x(nil))
show("find first", function() { return [4, 4, 4].find(4); });  // expect: find first: integer 0
show("find wrong count", function() { return [1].find(); });  // expect: find wrong count: error wrong number of parameters
show("find table by identity", function() { local k = {}; return [{}, k].find(k); });  // expect: find table by identity: integer 1
