// assert fails on false, 0, 0.0 and null, and takes exactly one value.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("assert(true)", function() { return assert(true); });  // expect: assert(true): null (null : 0x(nil))
show("assert('')", function() { return assert(""); });  // expect: assert(''): null (null : 0x(nil))
show("assert(false)", function() { return assert(false); });  // expect: assert(false): error assertion failed
show("assert(0)", function() { return assert(0); });  // expect: assert(0): error assertion failed
show("assert(null)", function() { return assert(null); });  // expect: assert(null): error assertion failed
show("assert(0.0)", function() { return assert(0.0); });  // expect: assert(0.0): error assertion failed
show("assert()", function() { return assert(); });  // expect: assert(): error wrong number of parameters
