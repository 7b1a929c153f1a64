// Jumps into the middle of a fused compare-and-branch take the same branch as a straight run.
local n = 4;
while (n > 0) n -= 3;
foreach (c in [true, false]) print((5 < (c ? 1 : 9)) + " " + (n + (c ? 1 : 2)) + " " + (n - (c ? 1 : 2)) + "\n");
// expect: false -1 -3
// expect: true 0 -4
local a = 1, b = 2;
foreach (c in [true, false]) if ((c || a > b) && b < 3) print("taken\n"); else print("not taken\n");
// expect: taken
// expect: not taken
