// Default delegate of strings: conversions, slices, searches, case.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

// tointeger and tofloat read a decimal prefix; a '.' makes a float
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

// len, slice
local s = "Hello, World";
show("len", function() { return s.len(); });  // expect: len: integer 12
show("''.len", function() { return "".len(); });  // expect: ''.len: integer 0
show("slice(7)", function() { return s.slice(7); });  // expect: slice(7): string World
show("slice(0, 5)", function() { return s.slice(0, 5); });  // expect: slice(0, 5): string Hello
show("slice(-5)", function() { return s.slice(-5); });  // expect: slice(-5): string World
show("slice(-5, -1)", function() { return s.slice(-5, -1); });  // expect: slice(-5, -1): string Worl
show("slice(3, 3)", function() { return s.slice(3, 3); });  // expect-escaped: slice(3, 3): string\x20
show("slice(12)", function() { return s.slice(12); });  // expect-escaped: slice(12): string\x20
show("slice(1.9, 4.2)", function() { return s.slice(1.9, 4.2); });  // expect: slice(1.9, 4.2): string ell
show("slice(-12)", function() { return s.slice(-12); });  // expect: slice(-12): string Hello, World
show("slice(-13)", function() { return s.slice(-13); });  // expect: slice(-13): error slice out of range
show("slice(13)", function() { return s.slice(13); });  // expect: slice(13): error wrong indexes
show("slice(0, 13)", function() { return s.slice(0, 13); });  // expect: slice(0, 13): error slice out of range
show("slice(5, 2)", function() { return s.slice(5, 2); });  // expect: slice(5, 2): error wrong indexes
show("slice(-1, -2)", function() { return s.slice(-1, -2); });  // expect: slice(-1, -2): error wrong indexes
show("slice()", function() { return s.slice(); });  // expect: slice(): string Hello, World
show("slice('a')", function() { return s.slice("a"); });
// expect: slice('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("slice(0, null)", function() { return s.slice(0, null); });
// expect: slice(0, null): error parameter 2 has an invalid type 'null' ; expected: 'integer|float'
show("slice(0, 1, 2)", function() { return s.slice(0, 1, 2); });  // expect: slice(0, 1, 2): string H

// find returns the first index at or after the start, or null
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

// case changes leave other bytes alone
show("tolower", function() { return "MiXeD 123 _!".tolower(); });  // expect: tolower: string mixed 123 _!
show("toupper", function() { return "MiXeD 123 _!".toupper(); });  // expect: toupper: string MIXED 123 _!
show("toupper of ''", function() { return "".toupper(); });  // expect-escaped: toupper of '': string\x20
show("tolower with an argument", function() { return "A".tolower(1); });  // expect: tolower with an argument: error wrong number of parameters

// indexing gives integers
show("s[0]", function() { return s[0]; });  // expect: s[0]: integer 72
show("s[0].tochar", function() { return s[0].tochar(); });  // expect: s[0].tochar: string H
show("s[12]", function() { return s[12]; });  // expect: s[12]: error the index '12' does not exist
