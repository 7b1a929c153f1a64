// array.sort is a heapsort: the order it leaves equal elements in, and the sequence of calls it
// makes to the compare function, are part of what scripts see.
function ids(a) {
  local out = "";
  foreach (i, r in a) out += (i ? " " : "") + r.k + ":" + r.id;
  return out;
}
function records(keys) {
  local a = [];
  foreach (i, k in keys) a.append({ k = k, id = i });
  return a;
}
local inputs = [
  [1, 1],
  [2, 2, 2, 2, 2],
  [1, 2, 1, 2, 1, 2, 1],
  [3, 1, 2, 3, 1, 2, 3, 1, 2, 3],
  [0, 0, 0, 1, 1, 1, 0, 0, 1, 1, 0, 1, 0],
  [5, 4, 4, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1, 1],
  [7, 1, 7, 1, 7, 1, 7, 1, 7, 1, 7, 1, 7, 1, 7, 1, 7]
];
local seed = 7;
local random = [];
for (local i = 0; i < 40; i++) { seed = (seed * 1103515245 + 12345) & 0x7fffffff; random.append(seed % 6); }
inputs.append(random);
foreach (keys in inputs) {
  local a = records(keys);
  a.sort(function(x, y) { return x.k <=> y.k; });
  print(ids(a) + "\n");
  a = records(keys);
  a.sort(function(x, y) { return y.k - x.k; }); // descending, by a difference
  print(ids(a) + "\n");
}
// Without a compare function: 1 and 1.0 are equal, their order shows.
local mixed = [2, 1.0, 1, 2.0, 1, 0, 1.0, 2];
mixed.sort();
local out = "";
foreach (v in mixed) out += typeof v + "(" + v + ") ";
print(out + "\n");
// The calls themselves, in order, and their count on a larger input.
local calls = "";
[3, 1, 2, 1].sort(function(x, y) { calls += x + "" + y + " "; return x <=> y; });
print(calls + "\n");
local count = 0;
local big = [];
for (local i = 0; i < 500; i++) { seed = (seed * 1103515245 + 12345) & 0x7fffffff; big.append(seed % 50); }
big.sort(function(x, y) { count++; return x <=> y; });
print(count + " " + big[0] + " " + big[250] + " " + big[499] + "\n");
// Compare functions of every shape: default parameters, varargs, a bound environment, a float
// or bool result, and failures.
local a = [3, 1, 2];
a.sort(function(x, y, z = 10) { return (x - y) * z; });
print(a[0] + " " + a[1] + " " + a[2] + "\n");
a.sort(function(x, ...) { return vargv[0] <=> x; });
print(a[0] + " " + a[1] + " " + a[2] + "\n");
local env = { sign = -1 };
a.sort(function(x, y) { return sign * (x <=> y); }.bindenv(env));
print(a[0] + " " + a[1] + " " + a[2] + "\n");
a.sort(function(x, y) { return (x - y) * 0.4; }); // 0.4 and 0.8 read as 0: nothing to swap
print(a[0] + " " + a[1] + " " + a[2] + "\n");
foreach (f in [function(x, y) { throw { why = "table" }; }, function(x) { return 0; },
               function(x, y) { yield 1; }, function(x, y) { return "1"; }, function(x, y) { return null; }]) {
  try { [1, 2, 3].sort(f); print("sorted\n"); } catch (e) { print((typeof e == "string" ? e : typeof e) + "\n"); }
}
// A deep call from the compare function and an error caught inside it.
function depth(n) { return n == 0 ? 0 : 1 + depth(n - 1); }
a = [4, 2, 9, 1];
a.sort(function(x, y) {
  try { throw "inner"; } catch (e) {}
  return (x + depth(50)) <=> (y + depth(50));
});
print(a[0] + " " + a[1] + " " + a[2] + " " + a[3] + "\n");
// A sort inside a compare function.
a = [[3, 1], [2, 2, 0], [9]];
a.sort(function(x, y) { x.sort(); y.sort(); return x[0] <=> y[0]; });
print(a[0][0] + " " + a[1][0] + " " + a[2][0] + "\n");
