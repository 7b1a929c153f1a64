// Classes, instances and weak references through their delegates.
local cls = class { v = 3; function get() { return v; } };
local inst = cls();
print(cls.rawin("v") + " " + inst.getclass().rawget("v") + " " + (inst.getclass() == cls) + " " + cls.instance().v + "\n");  // expect: true 3 true 3
local w = inst.weakref();
print(typeof w + " " + (w.ref() == inst) + " " + typeof (5).weakref() + "\n");  // expect: weakref true integer
