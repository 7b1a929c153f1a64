// array(size, fill): the size is a number, the fill shared, a negative size an error.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("array(3)", function() { local a = array(3); return a.len() + " " + a[0] + " " + a[2]; });
// expect: array(3): string 3 (null : 0x(nil)) (null : 0x(nil))
show("array(2, 'x')", function() { local a = array(2, "x"); return a[0] + a[1]; });  // expect: array(2, 'x'): string xx
show("array(0)", function() { return array(0).len(); });  // expect: array(0): integer 0
show("array(2.9)", function() { return array(2.9).len(); });  // expect: array(2.9): integer 2
show("array shares the fill", function() { local a = array(2, []); a[0].append(1); return a[1].len(); });  // expect: array shares the fill: integer 1
show("array(-1)", function() { return array(-1); });  // expect: array(-1): error negative size
show("array(-1, 0)", function() { return array(-1, 0); });  // expect: array(-1, 0): error negative size
show("array('3')", function() { return array("3"); });
// expect: array('3'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("array()", function() { return array(); });  // expect: array(): error wrong number of parameters
