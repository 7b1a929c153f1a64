// The delegates of integers, floats and bools: tochar, tofloat, tointeger, tostring.
local n = 65;
print(n.tochar() + " " + n.tofloat() + " " + n.tostring() + " " + (7.9).tointeger() + " " + (-7.9).tointeger() + " " + (2.5).tostring() + "\n");
// expect: A 65 65 7 -7 2.5
print(true.tointeger() + " " + false.tofloat() + " " + true.tostring() + "\n");  // expect: 1 0 true
