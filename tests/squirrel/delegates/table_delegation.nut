// Raw access skips a table's delegate; getdelegate and setdelegate.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local proto = { inherited = "from the delegate", _get = function(k) { return "meta " + k; } };
local child = { own = 1 }.setdelegate(proto);
show("through delegate", function() { return child.inherited; });  // expect: through delegate: string from the delegate
show("through _get", function() { return child.other; });  // expect: through _get: string meta other
show("rawget skips delegate", function() { return child.rawget("inherited"); });  // expect: rawget skips delegate: error the index doesn't exist
show("rawin skips delegate", function() { return child.rawin("inherited"); });  // expect: rawin skips delegate: bool false
show("getdelegate", function() { return child.getdelegate() == proto; });  // expect: getdelegate: bool true
show("getdelegate of none", function() { return {}.getdelegate(); });  // expect: getdelegate of none: null (null : 0x(nil))
show("setdelegate(null)", function() { return child.setdelegate(null).getdelegate(); });  // expect: setdelegate(null): null (null : 0x(nil))
show("setdelegate(1)", function() { return child.setdelegate(1); });
// expect: setdelegate(1): error parameter 1 has an invalid type 'integer' ; expected: 'null|table'
show("integer keys", function() { local k = {}; k.rawset(1, "one"); k.rawset(1.0, "float one"); return k.len() + " " + k[1]; });
// expect: integer keys: string 2 one
