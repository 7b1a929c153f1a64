// print takes exactly one value and prints its text, up to a zero byte and through _tostring.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

print(12); print(" "); print(-1.5); print(" "); print(true); print(" "); print("text"); print("\n");  // expect: 12 -1.5 true text
print("stops at a zero byte\x00hidden"); print("\n");  // expect: stops at a zero byte
show("print returns", function() { return print(""); });  // expect: print returns: null (null : 0x(nil))
show("print()", function() { return print(); });  // expect: print(): error wrong number of parameters
show("print(1, 2)", function() { return print(1, 2); });  // expect: print(1, 2): error wrong number of parameters
show("print of _tostring", function() { print(class { function _tostring() { return "custom\n"; } }()); return null; });
// expect: custom
// expect: print of _tostring: null (null : 0x(nil))
show("print of a failing _tostring", function() { return print(class { function _tostring() { throw "tostring failed"; } }()); });
// expect: print of a failing _tostring: error tostring failed
