// Default delegates of integers, floats and bools, and how numbers print.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("7.tofloat", function() { return (7).tofloat(); });  // expect: 7.tofloat: float 7
show("7.tointeger", function() { return (7).tointeger(); });  // expect: 7.tointeger: integer 7
show("7.9.tointeger", function() { return (7.9).tointeger(); });  // expect: 7.9.tointeger: integer 7
show("-7.9.tointeger", function() { return (-7.9).tointeger(); });  // expect: -7.9.tointeger: integer -7
show("2.5.tofloat", function() { return (2.5).tofloat(); });  // expect: 2.5.tofloat: float 2.5
show("true.tointeger", function() { return true.tointeger(); });  // expect: true.tointeger: integer 1
show("false.tointeger", function() { return false.tointeger(); });  // expect: false.tointeger: integer 0
show("true.tofloat", function() { return true.tofloat(); });  // expect: true.tofloat: float 1
show("true.tostring", function() { return true.tostring(); });  // expect: true.tostring: string true
show("false.tostring", function() { return false.tostring(); });  // expect: false.tostring: string false
show("-12.tostring", function() { return (-12).tostring(); });  // expect: -12.tostring: string -12
show("65.tochar", function() { return (65).tochar(); });  // expect: 65.tochar: string A
show("97.9.tochar", function() { return (97.9).tochar(); });  // expect: 97.9.tochar: string a
show("true.tochar.len", function() { return true.tochar().len(); });  // expect: true.tochar.len: integer 1
show("0.tochar.len", function() { return (0).tochar().len(); });  // expect: 0.tochar.len: integer 1
show("5.weakref", function() { return (5).weakref(); });  // expect: 5.weakref: integer 5
show("1.5.weakref", function() { return (1.5).weakref(); });  // expect: 1.5.weakref: float 1.5
show("true.weakref", function() { return true.weakref(); });  // expect: true.weakref: bool true
show("tointeger with an argument", function() { return (1).tointeger(2); });  // expect: tointeger with an argument: error wrong number of parameters
show("tochar with an argument", function() { return (1).tochar(2); });  // expect: tochar with an argument: error wrong number of parameters

// floats are 32-bit and print with %g
show("1e20", function() { return (1e20).tostring(); });  // expect: 1e20: string 1e+20
show("0.1", function() { return (0.1).tostring(); });  // expect: 0.1: string 0.1
show("-0.0", function() { return (-0.0).tostring(); });  // expect: -0.0: string -0
show("1/0", function() { return (1.0 / 0.0).tostring(); });  // expect: 1/0: string inf
show("-1/0", function() { return (-1.0 / 0.0).tostring(); });  // expect: -1/0: string -inf
show("1.0", function() { return (1.0).tostring(); });  // expect: 1.0: string 1
show("123456789.0", function() { return (123456789.0).tostring(); });  // expect: 123456789.0: string 1.23457e+08
show("1e-5", function() { return (1e-5).tostring(); });  // expect: 1e-5: string 1e-05
show("0.0001", function() { return (0.0001).tostring(); });  // expect: 0.0001: string 0.0001
show("100000.0", function() { return (100000.0).tostring(); });  // expect: 100000.0: string 100000
show("1000000.0", function() { return (1000000.0).tostring(); });  // expect: 1000000.0: string 1e+06
show("3.14159265", function() { return (3.14159265).tostring(); });  // expect: 3.14159265: string 3.14159
show("16777217.0", function() { return (16777217.0).tostring(); });  // expect: 16777217.0: string 1.67772e+07
show("0.1 + 0.2", function() { return 0.1 + 0.2; });  // expect: 0.1 + 0.2: float 0.3
show("2147483520.0.tointeger", function() { return (2147483520.0).tointeger(); });  // expect: 2147483520.0.tointeger: integer 2147483520

// integers are 32-bit
show("max", function() { return (2147483647).tostring(); });  // expect: max: string 2147483647
show("max + 1", function() { return 2147483647 + 1; });  // expect: max + 1: integer -2147483648
show("0xFFFFFFFF", function() { return 0xFFFFFFFF; });  // expect: 0xFFFFFFFF: integer -1

print(1.5); print(" "); print(3); print(" "); print(true); print(" "); print(-0.0); print("\n");  // expect: 1.5 3 true -0
