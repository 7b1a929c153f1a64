// tointeger and tofloat read a decimal prefix; a '.' makes a float.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("'42'.tointeger", function() { return "42".tointeger(); });  // expect: '42'.tointeger: integer 42
show("'-42'.tointeger", function() { return "-42".tointeger(); });  // expect: '-42'.tointeger: integer -42
show("'+5'.tointeger", function() { return "+5".tointeger(); });  // expect: '+5'.tointeger: integer 5
show("'0x10'.tointeger", function() { return "0x10".tointeger(); });  // expect: '0x10'.tointeger: integer 0
show("'1.5'.tointeger", function() { return "1.5".tointeger(); });  // expect: '1.5'.tointeger: integer 1
show("'-1.5'.tointeger", function() { return "-1.5".tointeger(); });  // expect: '-1.5'.tointeger: integer -1
show("' 12'.tointeger", function() { return " 12".tointeger(); });  // expect: ' 12'.tointeger: integer 12
show("'12abc'.tointeger", function() { return "12abc".tointeger(); });  // expect: '12abc'.tointeger: integer 12
show("'007'.tointeger", function() { return "007".tointeger(); });  // expect: '007'.tointeger: integer 7
show("'2147483647'.tointeger", function() { return "2147483647".tointeger(); });  // expect: '2147483647'.tointeger: integer 2147483647
show("'4294967295'.tointeger", function() { return "4294967295".tointeger(); });  // expect: '4294967295'.tointeger: integer 2147483647
show("'-9999999999'.tointeger", function() { return "-9999999999".tointeger(); });  // expect: '-9999999999'.tointeger: integer -2147483648
show("'abc'.tointeger", function() { return "abc".tointeger(); });  // expect: 'abc'.tointeger: error cannot convert the string
show("''.tointeger", function() { return "".tointeger(); });  // expect: ''.tointeger: error cannot convert the string
show("'-'.tointeger", function() { return "-".tointeger(); });  // expect: '-'.tointeger: error cannot convert the string
show("'3.5'.tofloat", function() { return "3.5".tofloat(); });  // expect: '3.5'.tofloat: float 3.5
show("'12'.tofloat", function() { return "12".tofloat(); });  // expect: '12'.tofloat: float 12
show("'.5'.tofloat", function() { return ".5".tofloat(); });  // expect: '.5'.tofloat: float 0.5
show("'1.'.tofloat", function() { return "1.".tofloat(); });  // expect: '1.'.tofloat: float 1
show("'0.1'.tofloat", function() { return "0.1".tofloat(); });  // expect: '0.1'.tofloat: float 0.1
show("'.'.tofloat", function() { return ".".tofloat(); });  // expect: '.'.tofloat: error cannot convert the string
show("'x'.tofloat", function() { return "x".tofloat(); });  // expect: 'x'.tofloat: error cannot convert the string
show("tointeger with a base", function() { return "10".tointeger(16); });  // expect: tointeger with a base: error wrong number of parameters
show("'abc'.tostring", function() { return "abc".tostring(); });  // expect: 'abc'.tostring: string abc
