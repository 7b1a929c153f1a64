// The table delegate: return values and edge cases of len, rawget, rawset, rawin, rawdelete and clear.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local t = { a = 1, b = 2 };
show("len", function() { return t.len(); });  // expect: len: integer 2
show("rawget", function() { return t.rawget("a"); });  // expect: rawget: integer 1
show("rawget missing", function() { return t.rawget("zz"); });  // expect: rawget missing: error the index doesn't exist
show("rawget null", function() { return t.rawget(null); });  // expect: rawget null: error the index doesn't exist
show("rawset returns", function() { return t.rawset("c", 3); });  // expect: rawset returns: null (null : 0x(nil))
show("after rawset", function() { return t.c + " " + t.len(); });  // expect: after rawset: string 3 3
show("rawset null key", function() { return t.rawset(null, 1); });  // expect: rawset null key: error null key
show("rawin", function() { return t.rawin("a"); });  // expect: rawin: bool true
show("rawin missing", function() { return t.rawin("zz"); });  // expect: rawin missing: bool false
show("rawin null", function() { return t.rawin(null); });  // expect: rawin null: bool false
show("rawdelete", function() { return t.rawdelete("a"); });  // expect: rawdelete: integer 1
show("rawdelete again", function() { return t.rawdelete("a"); });  // expect: rawdelete again: null (null : 0x(nil))
show("after rawdelete", function() { return t.len() + " " + ("a" in t); });  // expect: after rawdelete: string 2 false
show("rawget wrong count", function() { return t.rawget(); });  // expect: rawget wrong count: error wrong number of parameters
show("rawset wrong count", function() { return t.rawset("x"); });  // expect: rawset wrong count: error wrong number of parameters
show("len wrong count", function() { return t.len(1); });  // expect: len wrong count: error wrong number of parameters
show("clear returns", function() { return t.clear(); });  // expect: clear returns: null (null : 0x(nil))
show("after clear", function() { return t.len(); });  // expect: after clear: integer 0
