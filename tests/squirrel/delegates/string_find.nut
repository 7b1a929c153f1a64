// find returns the first index at or after the start, or null.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local s = "Hello, World";
show("find('o')", function() { return s.find("o"); });  // expect: find('o'): integer 4
show("find('o', 5)", function() { return s.find("o", 5); });  // expect: find('o', 5): integer 8
show("find('o', 9)", function() { return s.find("o", 9); });  // expect: find('o', 9): null (null : 0x(nil))
show("find('World')", function() { return s.find("World"); });  // expect: find('World'): integer 7
show("find('xyz')", function() { return s.find("xyz"); });  // expect: find('xyz'): null (null : 0x(nil))
show("find('')", function() { return s.find(""); });  // expect: find(''): integer 0
show("find('', 11)", function() { return s.find("", 11); });  // expect: find('', 11): integer 11
show("find('', 12)", function() { return s.find("", 12); });  // expect: find('', 12): null (null : 0x(nil))
show("''.find('')", function() { return "".find(""); });  // expect: ''.find(''): null (null : 0x(nil))
show("find('H', -1)", function() { return s.find("H", -1); });  // expect: find('H', -1): null (null : 0x(nil))
show("find('d', 100)", function() { return s.find("d", 100); });  // expect: find('d', 100): null (null : 0x(nil))
show("find('l', 3.7)", function() { return s.find("l", 3.7); });  // expect: find('l', 3.7): integer 3
show("find(1)", function() { return s.find(1); });  // expect: find(1): error parameter 1 has an invalid type 'integer' ; expected: 'string'
show("find('o', 'x')", function() { return s.find("o", "x"); });
// expect: find('o', 'x'): error parameter 2 has an invalid type 'string' ; expected: 'integer|float'
show("find()", function() { return s.find(); });  // expect: find(): error wrong number of parameters
