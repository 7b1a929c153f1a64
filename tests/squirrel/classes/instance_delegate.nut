// The default delegate of instances: getclass, rawget, rawin, rawset; raw access skips _get and _set.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

class Base </ kind = "base" /> {
  x = 1;
  </ doc = "the method" />
  function m() { return "m " + x; }
  static s = "static";
}
class Derived extends Base { y = 2; }
local d = Derived();
show("getclass", function() { return d.getclass() == Derived; });  // expect: getclass: bool true
show("rawget field", function() { return d.rawget("y") + " " + d.rawget("x"); });  // expect: rawget field: string 2 1
show("rawget method", function() { return typeof d.rawget("m"); });  // expect: rawget method: string function
show("rawget missing", function() { return d.rawget("nope"); });  // expect: rawget missing: error the index doesn't exist
show("rawin", function() { return d.rawin("m") + " " + d.rawin("nope"); });  // expect: rawin: string true false
show("rawset field", function() { d.rawset("x", 10); return d.m(); });  // expect: rawset field: string m 10
show("rawset returns", function() { return d.rawset("y", 3); });  // expect: rawset returns: null (null : 0x(nil))
show("rawset missing", function() { return d.rawset("nope", 1); });  // expect: rawset missing: error the index 'nope' does not exist
show("other instance unchanged", function() { return Derived().x; });  // expect: other instance unchanged: integer 1
local meta = class { function _get(k) { return "got " + k; } function _set(k, v) { throw "no set"; } };
local mi = meta();
show("member through _get", function() { return mi.anything; });  // expect: member through _get: string got anything
show("delegate behind _get", function() { return mi.rawget; });  // expect: delegate behind _get: string got rawget
show("rawget skips _get", function() { return d.rawget.call(mi, "anything"); });  // expect: rawget skips _get: error the index doesn't exist
show("rawset skips _set", function() { return d.rawset.call(mi, "anything", 1); });
// expect: rawset skips _set: error the index 'anything' does not exist
