// Once a class has an instance, only statics and methods may still be added.
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
