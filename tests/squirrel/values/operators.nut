// Increments, compound assignment, logical operators giving operands, in, typeof, the conditional operator and loop control.
function classify(x) { return x; }
local i = 5;
print(i++ + " " + i + " " + ++i + " " + i-- + " " + --i + "\n");  // expect: 5 6 7 7 5
local arr = [1, 2];
arr[0] += 5; arr[1] *= 3;
local tbl = { v = 2 };
tbl.v *= 9; tbl.v -= 1; tbl.v /= 3; tbl.v %= 4;
print(arr[0] + " " + arr[1] + " " + tbl.v + "\n");  // expect: 6 6 1
print((true && "yes") + " " + (false || "no") + " " + (null || 0) + " " + !0 + " " + !"" + "\n");  // expect: yes no 0 true false
print(("k" in tbl) + " " + ("v" in tbl) + " " + (1 in arr) + " " + (2 in arr) + "\n");  // expect: false true true false
print(typeof null + " " + typeof 1 + " " + typeof 1.0 + " " + typeof true + " " + typeof "" + " " + typeof {} + " " + typeof [] + " " + typeof print + " " + typeof classify + "\n");
// expect: null integer float bool string table array function function
local x = 1, y = 2;
print((x > y ? "gt" : "le") + " " + (x == 1 ? y == 2 ? "both" : "first" : "none") + "\n");  // expect: le both
local k = 0;
do { k++; } while (k < 3);
while (true) { if (++k > 5) break; }
for (local j = 0; j < 10; j++) { if (j % 2) continue; k += j; }
print(k + "\n");  // expect: 26
