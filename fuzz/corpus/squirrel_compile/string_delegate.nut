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
show("'42'.tointeger", function() { return "42".tointeger(); });
show("'-42'.tointeger", function() { return "-42".tointeger(); });
show("'+5'.tointeger", function() { return "+5".tointeger(); });
show("'0x10'.tointeger", function() { return "0x10".tointeger(); });
show("'1.5'.tointeger", function() { return "1.5".tointeger(); });
show("'-1.5'.tointeger", function() { return "-1.5".tointeger(); });
show("' 12'.tointeger", function() { return " 12".tointeger(); });
show("'12abc'.tointeger", function() { return "12abc".tointeger(); });
show("'007'.tointeger", function() { return "007".tointeger(); });
show("'2147483647'.tointeger", function() { return "2147483647".tointeger(); });
show("'4294967295'.tointeger", function() { return "4294967295".tointeger(); });
show("'-9999999999'.tointeger", function() { return "-9999999999".tointeger(); });
show("'abc'.tointeger", function() { return "abc".tointeger(); });
show("''.tointeger", function() { return "".tointeger(); });
show("'-'.tointeger", function() { return "-".tointeger(); });
show("'3.5'.tofloat", function() { return "3.5".tofloat(); });
show("'12'.tofloat", function() { return "12".tofloat(); });
show("'.5'.tofloat", function() { return ".5".tofloat(); });
show("'1.'.tofloat", function() { return "1.".tofloat(); });
show("'0.1'.tofloat", function() { return "0.1".tofloat(); });
show("'.'.tofloat", function() { return ".".tofloat(); });
show("'x'.tofloat", function() { return "x".tofloat(); });
show("tointeger with a base", function() { return "10".tointeger(16); });
show("'abc'.tostring", function() { return "abc".tostring(); });

// len, slice
local s = "Hello, World";
show("len", function() { return s.len(); });
show("''.len", function() { return "".len(); });
show("slice(7)", function() { return s.slice(7); });
show("slice(0, 5)", function() { return s.slice(0, 5); });
show("slice(-5)", function() { return s.slice(-5); });
show("slice(-5, -1)", function() { return s.slice(-5, -1); });
show("slice(3, 3)", function() { return s.slice(3, 3); });
show("slice(12)", function() { return s.slice(12); });
show("slice(1.9, 4.2)", function() { return s.slice(1.9, 4.2); });
show("slice(-12)", function() { return s.slice(-12); });
show("slice(-13)", function() { return s.slice(-13); });
show("slice(13)", function() { return s.slice(13); });
show("slice(0, 13)", function() { return s.slice(0, 13); });
show("slice(5, 2)", function() { return s.slice(5, 2); });
show("slice(-1, -2)", function() { return s.slice(-1, -2); });
show("slice()", function() { return s.slice(); });
show("slice('a')", function() { return s.slice("a"); });
show("slice(0, null)", function() { return s.slice(0, null); });
show("slice(0, 1, 2)", function() { return s.slice(0, 1, 2); });

// find returns the first index at or after the start, or null
show("find('o')", function() { return s.find("o"); });
show("find('o', 5)", function() { return s.find("o", 5); });
show("find('o', 9)", function() { return s.find("o", 9); });
show("find('World')", function() { return s.find("World"); });
show("find('xyz')", function() { return s.find("xyz"); });
show("find('')", function() { return s.find(""); });
show("find('', 11)", function() { return s.find("", 11); });
show("find('', 12)", function() { return s.find("", 12); });
show("''.find('')", function() { return "".find(""); });
show("find('H', -1)", function() { return s.find("H", -1); });
show("find('d', 100)", function() { return s.find("d", 100); });
show("find('l', 3.7)", function() { return s.find("l", 3.7); });
show("find(1)", function() { return s.find(1); });
show("find('o', 'x')", function() { return s.find("o", "x"); });
show("find()", function() { return s.find(); });

// case changes leave other bytes alone
show("tolower", function() { return "MiXeD 123 _!".tolower(); });
show("toupper", function() { return "MiXeD 123 _!".toupper(); });
show("toupper of ''", function() { return "".toupper(); });
show("tolower with an argument", function() { return "A".tolower(1); });

// indexing gives integers
show("s[0]", function() { return s[0]; });
show("s[0].tochar", function() { return s[0].tochar(); });
show("s[12]", function() { return s[12]; });
