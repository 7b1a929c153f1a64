// The delegates of integers, floats and bools: conversions, tochar, weakref, argument counts.
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
