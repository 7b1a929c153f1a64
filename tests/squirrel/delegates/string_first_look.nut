// A first look at the string delegate: slices, find, case, conversions, indexing.
local s = "Hello, World";
print(s.len() + " " + s.slice(7) + " " + s.slice(0, 5) + " " + s.slice(-5) + " " + s.slice(-5, -1) + "\n");  // expect: 12 World Hello World Worl
print(s.find("o") + " " + s.find("o", 5) + " " + s.find("xyz") + " " + s.find("") + "\n");  // expect: 4 8 (null : 0x(nil)) 0
print(s.tolower() + " " + s.toupper() + "\n");  // expect: hello, world HELLO, WORLD
print("42".tointeger() + " " + "3.5".tofloat() + " " + "12".tofloat() + " " + "0x10".tointeger() + "\n");  // expect: 42 3.5 12 0
print(typeof "7".tointeger() + " " + typeof "7".tofloat() + " " + "abc".tostring() + "\n");  // expect: integer float abc
try { "abc".slice(2, 1); } catch (e) { print(e + "\n"); }  // expect: wrong indexes
try { "abc".slice(0, 10); } catch (e) { print(e + "\n"); }  // expect: slice out of range
try { print("abc".tointeger()); } catch (e) { print(e + "\n"); }  // expect: cannot convert the string
print(s[0] + " " + s[0].tochar() + "\n");  // expect: 72 H
