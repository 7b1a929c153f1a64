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

show("getbase", function() { return Derived.getbase() == Base; });
show("getbase of a root class", function() { return Base.getbase(); });
show("rawget field", function() { return Base.rawget("x"); });
show("rawget static", function() { return Base.rawget("s"); });
show("rawget method", function() { return typeof Base.rawget("m"); });
show("rawget inherited", function() { return Derived.rawget("x"); });
show("rawget missing", function() { return Base.rawget("nope"); });
show("rawin", function() { return Base.rawin("m") + " " + Derived.rawin("x") + " " + Base.rawin("y"); });
show("class attributes", function() { return Base.getattributes(null).kind; });
show("member attributes", function() { return Base.getattributes("m").doc; });
show("no attributes", function() { return Base.getattributes("x"); });
show("attributes of a missing member", function() { return Base.getattributes("nope"); });
show("setattributes returns the old", function() { return Base.setattributes("x", { note = 1 }); });
show("setattributes again", function() { return Base.setattributes("x", "plain").note; });
show("after setattributes", function() { return Base.getattributes("x"); });
show("setattributes of a missing member", function() { return Base.setattributes("nope", 1); });
show("getattributes wrong count", function() { return Base.getattributes(); });

class Open { a = 1; }
show("newmember", function() { Open.newmember("b", 2); return Open.b; });
show("newmember with attributes", function() { Open.newmember("c", 3, { tag = "t" }); return Open.getattributes("c").tag; });
show("newmember static", function() { Open.newmember("d", 4, null, true); return Open.d; });
show("rawnewmember", function() { Open.rawnewmember("e", 5); return Open.e; });
show("rawset on an open class", function() { return Open.rawset("f", 6); });
show("newmember wrong count", function() { return Open.newmember("g"); });
show("new members", function() { local o = Open(); return o.a + " " + o.b + " " + o.c + " " + o.d + " " + o.e + " " + o.f; });

class Locked { v = 1; }
local inst = Locked();
show("newmember after an instance", function() { return Locked.newmember("w", 1); });
show("rawnewmember after an instance", function() { return Locked.rawnewmember("w", 1); });
show("rawset field after an instance", function() { return Locked.rawset("v", 2); });
show("field unchanged", function() { return Locked.v + " " + Locked().v; });
show("static after an instance", function() { Locked.newmember("k", "static", null, true); return Locked.k; });
show("method after an instance", function() { Locked.rawset("meth", function() { return "meth"; }); return inst.meth(); });

show("instance", function() { local i = Base.instance(); return typeof i + " " + i.x + " " + (i instanceof Base); });
class WithConstructor { constructor() { ::print("constructor ran\n"); } }
show("instance skips the constructor", function() { return typeof WithConstructor.instance(); });
show("instance wrong count", function() { return Base.instance(1); });

local d = Derived();
show("getclass", function() { return d.getclass() == Derived; });
show("rawget field", function() { return d.rawget("y") + " " + d.rawget("x"); });
show("rawget method", function() { return typeof d.rawget("m"); });
show("rawget missing", function() { return d.rawget("nope"); });
show("rawin", function() { return d.rawin("m") + " " + d.rawin("nope"); });
show("rawset field", function() { d.rawset("x", 10); return d.m(); });
show("rawset returns", function() { return d.rawset("y", 3); });
show("rawset missing", function() { return d.rawset("nope", 1); });
show("other instance unchanged", function() { return Derived().x; });
local meta = class { function _get(k) { return "got " + k; } function _set(k, v) { throw "no set"; } };
local mi = meta();
show("member through _get", function() { return mi.anything; });
show("delegate behind _get", function() { return mi.rawget; });
show("rawget skips _get", function() { return d.rawget.call(mi, "anything"); });
show("rawset skips _set", function() { return d.rawset.call(mi, "anything", 1); });

// weak references
local target = { v = 1 };
local w = target.weakref();
show("weakref type", function() { return typeof w; });
show("ref", function() { return w.ref() == target; });
show("weakref of a weakref", function() { local ww = w.weakref(); return typeof ww + " " + (ww.ref() == w); });
target = null;
show("ref after release", function() { return w.ref(); });
show("weakref of an integer", function() { return typeof (1).weakref(); });
show("weakref of null is not there", function() { return null.weakref(); });
local arr = [1];
local warr = arr.weakref();
show("array ref", function() { return warr.ref().len(); });
local winst = inst.weakref();
show("instance ref", function() { return winst.ref().v; });
local wclass = Locked.weakref();
show("class ref", function() { return wclass.ref() == Locked; });
show("ref wrong count", function() { return w.ref(1); });

// tostring forms: "(<type> : 0x<address>)"; the address varies
function shape(s) {
  local open = s.find(" : 0x");
  if (open == null || s[0] != '(' || s[s.len() - 1] != ')') return "unexpected " + s;
  return s.slice(0, open + 5) + "...)";
}
show("table", function() { return shape({}.tostring()); });
show("array", function() { return shape([].tostring()); });
show("closure", function() { return shape(show.tostring()); });
show("native closure", function() { return shape(print.tostring()); });
show("class", function() { return shape(Base.tostring()); });
show("instance", function() { return shape(d.tostring()); });
show("generator", function() { return shape((function() { yield 1; })().tostring()); });
show("thread", function() { return shape(newthread(print).tostring()); });
show("weakref", function() { return shape(w.tostring()); });
show("print of a table", function() { return shape("" + {}); });
show("_tostring", function() { return (class { function _tostring() { return "custom"; } })().tostring(); });
show("_tostring of a table", function() { return {}.setdelegate({ _tostring = function() { return "tbl"; } }).tostring(); });
show("_tostring not a string", function() { return shape((class { function _tostring() { return 1; } })().tostring()); });
show("_tostring throws", function() { return (class { function _tostring() { throw "no string"; } })().tostring(); });
show("same table same text", function() { local t = {}; return t.tostring() == t.tostring(); });
show("other table other text", function() { return {}.tostring() == [].tostring(); });
print(Base.weakref().tostring().slice(0, 9) + "\n");
