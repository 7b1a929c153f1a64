// foreach over arrays: index and value, an array changed while walked, weak references in it,
// nested walks, break and continue, and containers of other kinds in the same loop.
function walk(a) {
  local out = [];
  foreach (i, v in a) out.append(i + ":" + typeof v);
  return out;
}
function join(parts) {
  local s = "";
  foreach (p in parts) s += (s == "" ? "" : " ") + p;
  return s;
}
print(join(walk([10, "x", null, 2.5, [1]])) + "\n");  // expect: 0:integer 1:string 2:null 3:float 4:array
local grow = [1, 2, 3], seen = [];
foreach (v in grow) { if (v < 3) grow.append(v * 10); seen.append(v); }
print(join(seen) + "\n");  // expect: 1 2 3 10 20
local shrink = [1, 2, 3, 4, 5];
seen = [];
foreach (i, v in shrink) { shrink.pop(); seen.append(i + "=" + v); }
print(join(seen) + "\n");  // expect: 0=1 1=2 2=3
local t = { k = 1 };
print(join(walk([t.weakref(), 5])) + "\n");  // expect: 0:table 1:integer
local sum = 0;
foreach (i, row in [[1, 2], [3, 4], [5]]) foreach (j, x in row) { if (x == 4) continue; if (x == 5) break; sum += x * (i + 1); }
print(sum + "\n");  // expect: 9
foreach (v in []) print("never\n");
local counts = [];
foreach (c in [[1, 2], { a = 1 }, "ab"]) { local n = 0; foreach (k, v in c) n++; counts.append(n); }
print(join(counts) + "\n");  // expect: 2 1 2
function gen() { yield 1; yield 2; }
seen = [];
foreach (v in gen()) seen.append(v);
print(join(seen) + "\n");  // expect: 1 2
local last = null;
foreach (i, v in [7, 8, 9]) last = i;
print(last + "\n");  // expect: 2
