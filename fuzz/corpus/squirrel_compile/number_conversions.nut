// Default delegates of integers, floats and bools, and how numbers print.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("7.tofloat", function() { return (7).tofloat(); });
show("7.tointeger", function() { return (7).tointeger(); });
show("7.9.tointeger", function() { return (7.9).tointeger(); });
show("-7.9.tointeger", function() { return (-7.9).tointeger(); });
show("2.5.tofloat", function() { return (2.5).tofloat(); });
show("true.tointeger", function() { return true.tointeger(); });
show("false.tointeger", function() { return false.tointeger(); });
show("true.tofloat", function() { return true.tofloat(); });
show("true.tostring", function() { return true.tostring(); });
show("false.tostring", function() { return false.tostring(); });
show("-12.tostring", function() { return (-12).tostring(); });
show("65.tochar", function() { return (65).tochar(); });
show("97.9.tochar", function() { return (97.9).tochar(); });
show("true.tochar.len", function() { return true.tochar().len(); });
show("0.tochar.len", function() { return (0).tochar().len(); });
show("5.weakref", function() { return (5).weakref(); });
show("1.5.weakref", function() { return (1.5).weakref(); });
show("true.weakref", function() { return true.weakref(); });
show("tointeger with an argument", function() { return (1).tointeger(2); });
show("tochar with an argument", function() { return (1).tochar(2); });

// floats are 32-bit and print with %g
show("1e20", function() { return (1e20).tostring(); });
show("0.1", function() { return (0.1).tostring(); });
show("-0.0", function() { return (-0.0).tostring(); });
show("1/0", function() { return (1.0 / 0.0).tostring(); });
show("-1/0", function() { return (-1.0 / 0.0).tostring(); });
show("1.0", function() { return (1.0).tostring(); });
show("123456789.0", function() { return (123456789.0).tostring(); });
show("1e-5", function() { return (1e-5).tostring(); });
show("0.0001", function() { return (0.0001).tostring(); });
show("100000.0", function() { return (100000.0).tostring(); });
show("1000000.0", function() { return (1000000.0).tostring(); });
show("3.14159265", function() { return (3.14159265).tostring(); });
show("16777217.0", function() { return (16777217.0).tostring(); });
show("0.1 + 0.2", function() { return 0.1 + 0.2; });
show("2147483520.0.tointeger", function() { return (2147483520.0).tointeger(); });

// integers are 32-bit
show("max", function() { return (2147483647).tostring(); });
show("max + 1", function() { return 2147483647 + 1; });
show("0xFFFFFFFF", function() { return 0xFFFFFFFF; });

print(1.5); print(" "); print(3); print(" "); print(true); print(" "); print(-0.0); print("\n");
