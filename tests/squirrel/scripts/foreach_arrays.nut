// foreach over arrays: index and value, an array changed while walked, weak references in it,
// nested walks, break and continue, and containers of other kinds in the same loop.
local a = [10, "x", null, 2.5, [1]];
foreach (i, v in a) print(i + ":" + typeof v + " "); // 0:integer 1:string 2:null 3:float 4:array
print("\n");
local grow = [1, 2, 3];
foreach (v in grow) { if (v < 3) grow.append(v * 10); print(v + " "); } // 1 2 3 10 20
print("\n");
local shrink = [1, 2, 3, 4, 5];
foreach (i, v in shrink) { shrink.pop(); print(i + "=" + v + " "); } // 0=1 1=2 2=3
print("\n");
local t = { k = 1 };
local w = [t.weakref(), 5];
foreach (v in w) print(typeof v + " "); // table integer
print("\n");
local sum = 0;
foreach (i, row in [[1, 2], [3, 4], [5]]) foreach (j, x in row) { if (x == 4) continue; if (x == 5) break; sum += x * (i + 1); }
print(sum + "\n"); // 1 + 2 + 6 = 9
foreach (v in []) print("never\n");
local mixed = [[1, 2], { a = 1 }, "ab"];
foreach (c in mixed) { local n = 0; foreach (k, v in c) n++; print(n + " "); } // 2 1 2
print("\n");
function gen() { yield 1; yield 2; }
foreach (v in gen()) print(v + " "); // 1 2
print("\n");
local last = null;
foreach (i, v in [7, 8, 9]) last = i;
print(last + "\n"); // 2
