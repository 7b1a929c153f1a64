// Weak references: ref, release, weak references of weak references, integers, arrays, instances and classes.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

class Locked { v = 1; }
local inst = Locked();
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
