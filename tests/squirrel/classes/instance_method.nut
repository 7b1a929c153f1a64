// class.instance() makes an instance without running the constructor.
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
show("instance", function() { local i = Base.instance(); return typeof i + " " + i.x + " " + (i instanceof Base); });
// expect: instance: string instance 1 true
class WithConstructor { constructor() { ::print("constructor ran\n"); } }
show("instance skips the constructor", function() { return typeof WithConstructor.instance(); });
// expect: instance skips the constructor: string instance
show("instance wrong count", function() { return Base.instance(1); });  // expect: instance wrong count: error wrong number of parameters
