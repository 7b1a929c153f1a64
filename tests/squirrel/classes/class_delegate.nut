// The default delegate of classes: getbase, rawget, rawin and attributes.
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
show("getbase", function() { return Derived.getbase() == Base; });  // expect: getbase: bool true
show("getbase of a root class", function() { return Base.getbase(); });  // expect: getbase of a root class: null (null : 0x(nil))
show("rawget field", function() { return Base.rawget("x"); });  // expect: rawget field: integer 1
show("rawget static", function() { return Base.rawget("s"); });  // expect: rawget static: string static
show("rawget method", function() { return typeof Base.rawget("m"); });  // expect: rawget method: string function
show("rawget inherited", function() { return Derived.rawget("x"); });  // expect: rawget inherited: integer 1
show("rawget missing", function() { return Base.rawget("nope"); });  // expect: rawget missing: error the index doesn't exist
show("rawin", function() { return Base.rawin("m") + " " + Derived.rawin("x") + " " + Base.rawin("y"); });  // expect: rawin: string true true false
show("class attributes", function() { return Base.getattributes(null).kind; });  // expect: class attributes: string base
show("member attributes", function() { return Base.getattributes("m").doc; });  // expect: member attributes: string the method
show("no attributes", function() { return Base.getattributes("x"); });  // expect: no attributes: null (null : 0x(nil))
show("attributes of a missing member", function() { return Base.getattributes("nope"); });
// expect: attributes of a missing member: error wrong index
show("setattributes returns the old", function() { return Base.setattributes("x", { note = 1 }); });
// expect: setattributes returns the old: null (null : 0x(nil))
show("setattributes again", function() { return Base.setattributes("x", "plain").note; });  // expect: setattributes again: integer 1
show("after setattributes", function() { return Base.getattributes("x"); });  // expect: after setattributes: string plain
show("setattributes of a missing member", function() { return Base.setattributes("nope", 1); });
// expect: setattributes of a missing member: error wrong index
show("getattributes wrong count", function() { return Base.getattributes(); });  // expect: getattributes wrong count: error wrong number of parameters
