// Floats are 32-bit and print with %g.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

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
