// Default delegates of classes, instances and weak references; tostring forms.
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

class Open { a = 1; }
show("newmember", function() { Open.newmember("b", 2); return Open.b; });  // expect: newmember: integer 2
show("newmember with attributes", function() { Open.newmember("c", 3, { tag = "t" }); return Open.getattributes("c").tag; });
// expect: newmember with attributes: string t
show("newmember static", function() { Open.newmember("d", 4, null, true); return Open.d; });  // expect: newmember static: integer 4
show("rawnewmember", function() { Open.rawnewmember("e", 5); return Open.e; });  // expect: rawnewmember: integer 5
show("rawset on an open class", function() { return Open.rawset("f", 6); });  // expect: rawset on an open class: null (null : 0x(nil))
show("newmember wrong count", function() { return Open.newmember("g"); });  // expect: newmember wrong count: error wrong number of parameters
show("new members", function() { local o = Open(); return o.a + " " + o.b + " " + o.c + " " + o.d + " " + o.e + " " + o.f; });
// expect: new members: string 1 2 3 4 5 6

class Locked { v = 1; }
local inst = Locked();
show("newmember after an instance", function() { return Locked.newmember("w", 1); });
// expect: newmember after an instance: error trying to modify a class that has already been instantiated
show("rawnewmember after an instance", function() { return Locked.rawnewmember("w", 1); });
// expect: rawnewmember after an instance: error trying to modify a class that has already been instantiated
show("rawset field after an instance", function() { return Locked.rawset("v", 2); });
// expect: rawset field after an instance: error trying to modify a class that has already been instantiated
show("field unchanged", function() { return Locked.v + " " + Locked().v; });  // expect: field unchanged: string 1 1
show("static after an instance", function() { Locked.newmember("k", "static", null, true); return Locked.k; });
// expect: static after an instance: string static
show("method after an instance", function() { Locked.rawset("meth", function() { return "meth"; }); return inst.meth(); });
// expect: method after an instance: string meth

show("instance", function() { local i = Base.instance(); return typeof i + " " + i.x + " " + (i instanceof Base); });
// expect: instance: string instance 1 true
class WithConstructor { constructor() { ::print("constructor ran\n"); } }
show("instance skips the constructor", function() { return typeof WithConstructor.instance(); });
// expect: instance skips the constructor: string instance
show("instance wrong count", function() { return Base.instance(1); });  // expect: instance wrong count: error wrong number of parameters

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

// weak references
local target = { v = 1 };
local w = target.weakref();
show("weakref type", function() { return typeof w; });  // expect: weakref type: string weakref
show("ref", function() { return w.ref() == target; });  // expect: ref: bool true
show("weakref of a weakref", function() { local ww = w.weakref(); return typeof ww + " " + (ww.ref() == w); });
// expect: weakref of a weakref: string weakref true
target = null;
show("ref after release", function() { return w.ref(); });  // expect: ref after release: null (null : 0x(nil))
show("weakref of an integer", function() { return typeof (1).weakref(); });  // expect: weakref of an integer: string integer
show("weakref of null is not there", function() { return null.weakref(); });
// expect: weakref of null is not there: error the index 'weakref' does not exist
local arr = [1];
local warr = arr.weakref();
show("array ref", function() { return warr.ref().len(); });  // expect: array ref: integer 1
local winst = inst.weakref();
show("instance ref", function() { return winst.ref().v; });  // expect: instance ref: integer 1
local wclass = Locked.weakref();
show("class ref", function() { return wclass.ref() == Locked; });  // expect: class ref: bool true
show("ref wrong count", function() { return w.ref(1); });  // expect: ref wrong count: error wrong number of parameters

// tostring forms: "(<type> : 0x<address>)"; the address varies
function shape(s) {
  local open = s.find(" : 0x");
  if (open == null || s[0] != '(' || s[s.len() - 1] != ')') return "unexpected " + s;
  return s.slice(0, open + 5) + "...)";
}
show("table", function() { return shape({}.tostring()); });  // expect: table: string (table : 0x...)
show("array", function() { return shape([].tostring()); });  // expect: array: string (array : 0x...)
show("closure", function() { return shape(show.tostring()); });  // expect: closure: string (function : 0x...)
show("native closure", function() { return shape(print.tostring()); });  // expect: native closure: string (function : 0x...)
show("class", function() { return shape(Base.tostring()); });  // expect: class: string (class : 0x...)
show("instance", function() { return shape(d.tostring()); });  // expect: instance: string (instance : 0x...)
show("generator", function() { return shape((function() { yield 1; })().tostring()); });  // expect: generator: string (generator : 0x...)
show("thread", function() { return shape(newthread(print).tostring()); });  // expect: thread: string (thread : 0x...)
show("weakref", function() { return shape(w.tostring()); });  // expect: weakref: string (weakref : 0x...)
show("print of a table", function() { return shape("" + {}); });  // expect: print of a table: string (table : 0x...)
show("_tostring", function() { return (class { function _tostring() { return "custom"; } })().tostring(); });  // expect: _tostring: string custom
show("_tostring of a table", function() { return {}.setdelegate({ _tostring = function() { return "tbl"; } }).tostring(); });
// expect: _tostring of a table: string tbl
show("_tostring not a string", function() { return shape((class { function _tostring() { return 1; } })().tostring()); });
// expect: _tostring not a string: string (instance : 0x...)
show("_tostring throws", function() { return (class { function _tostring() { throw "no string"; } })().tostring(); });
// expect: _tostring throws: error no string
show("same table same text", function() { local t = {}; return t.tostring() == t.tostring(); });  // expect: same table same text: bool true
show("other table other text", function() { return {}.tostring() == [].tostring(); });  // expect: other table other text: bool false
print(Base.weakref().tostring().slice(0, 9) + "\n");  // expect-escaped: (weakref\x20
