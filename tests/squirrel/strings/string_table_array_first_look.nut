// A first look at strings, tables and arrays: length, slots, sort and foreach.
local s = "hello";
print(s.len() + " " + s.toupper() + " " + s.slice(1, 3) + " " + s[0] + "\n");  // expect: 5 HELLO el 104
local t = { x = 1, y = "two" };
t.z <- 3;
print(t.x + t.z + " " + t.y + " " + ("z" in t) + " " + t.len() + "\n");  // expect: 4 two true 3
local arr = [3, 1, 2];
arr.sort();
arr.push(10);
foreach (i, v in arr) print(i + ":" + v + " ");
print("\n");  // expect-escaped: 0:1 1:2 2:3 3:10\x20
