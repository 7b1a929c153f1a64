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
// expect: 1:1 1:0
// expect: 1:1 1:0
// expect: 2:1 2:2 2:3 2:4 2:0
// expect: 2:1 2:2 2:3 2:4 2:0
// expect: 1:2 1:6 1:0 1:4 2:5 2:3 2:1
// expect: 2:3 2:5 2:1 1:4 1:2 1:6 1:0
// expect: 1:1 1:7 1:4 2:2 2:5 2:8 3:9 3:6 3:3 3:0
// expect: 3:9 3:6 3:0 3:3 2:2 2:5 2:8 1:4 1:7 1:1
// expect: 0:2 0:12 0:1 0:10 0:0 0:6 0:7 1:8 1:9 1:4 1:11 1:5 1:3
// expect: 1:3 1:8 1:5 1:4 1:9 1:11 0:10 0:2 0:6 0:7 0:1 0:12 0:0
// expect: 1:10 1:13 1:12 1:11 1:14 2:8 2:9 2:6 2:7 3:4 3:5 3:3 4:2 4:1 5:0
// expect: 5:0 4:1 4:2 3:4 3:5 3:3 2:8 2:9 2:6 2:7 1:10 1:11 1:12 1:13 1:14
// expect: 1:9 1:5 1:7 1:11 1:13 1:15 1:3 1:1 7:8 7:4 7:10 7:2 7:12 7:6 7:14 7:16 7:0
// expect: 7:10 7:2 7:14 7:12 7:6 7:0 7:16 7:8 7:4 1:9 1:11 1:5 1:13 1:15 1:7 1:3 1:1
// expect: 0:0 0:6 0:34 0:10 0:16 0:4 0:8 1:21 1:5 1:27 1:15 2:14 2:36 2:20 2:22 2:24 2:26 2:30 3:33 3:17 3:29 3:1 3:3 3:7 3:9 4:32 4:18 4:38 4:2 4:12 4:28 5:35 5:37 5:39 5:19 5:23 5:11 5:25 5:13 5:31
// expect: 5:37 5:39 5:13 5:35 5:23 5:19 5:11 5:25 5:31 4:38 4:18 4:2 4:32 4:12 4:28 3:33 3:17 3:9 3:3 3:29 3:1 3:7 2:36 2:20 2:22 2:24 2:26 2:14 2:30 1:21 1:5 1:27 1:15 0:16 0:34 0:8 0:4 0:10 0:6 0:0
// Without a compare function: 1 and 1.0 are equal, their order shows.
local mixed = [2, 1.0, 1, 2.0, 1, 0, 1.0, 2];
mixed.sort();
local out = "";
foreach (v in mixed) out += (out == "" ? "" : " ") + typeof v + "(" + v + ")";
print(out + "\n");  // expect: integer(0) integer(1) float(1) integer(1) float(1) integer(2) float(2) integer(2)
// The calls themselves, in order, and their count on a larger input.
local calls = "";
[3, 1, 2, 1].sort(function(x, y) { calls += (calls == "" ? "" : " ") + x + y; return x <=> y; });
print(calls + "\n");  // expect: 21 12 32 33 12 12 11 11 11 11
local count = 0;
local big = [];
for (local i = 0; i < 500; i++) { seed = (seed * 1103515245 + 12345) & 0x7fffffff; big.append(seed % 50); }
big.sort(function(x, y) { count++; return x <=> y; });
print(count + " " + big[0] + " " + big[250] + " " + big[499] + "\n");  // expect: 8359 0 25 49
// Compare functions of every shape: default parameters, varargs, a bound environment, a float
// or bool result, and failures.
local a = [3, 1, 2];
a.sort(function(x, y, z = 10) { return (x - y) * z; });
print(a[0] + " " + a[1] + " " + a[2] + "\n");  // expect: 1 2 3
a.sort(function(x, ...) { return vargv[0] <=> x; });
print(a[0] + " " + a[1] + " " + a[2] + "\n");  // expect: 3 2 1
local env = { sign = -1 };
a.sort(function(x, y) { return sign * (x <=> y); }.bindenv(env));
print(a[0] + " " + a[1] + " " + a[2] + "\n");  // expect: 3 2 1
a.sort(function(x, y) { return (x - y) * 0.4; }); // truncated: 0 for neighbours
print(a[0] + " " + a[1] + " " + a[2] + "\n");  // expect: 2 1 3
foreach (f in [function(x, y) { throw { why = "table" }; }, function(x) { return 0; },
               function(x, y) { yield 1; }, function(x, y) { return "1"; }, function(x, y) { return null; }]) {
  try { [1, 2, 3].sort(f); print("sorted\n"); } catch (e) { print((typeof e == "string" ? e : typeof e) + "\n"); }
}
// expect: compare func failed
// expect: wrong number of parameters
// expect: numeric value expected as return value of the compare function
// expect: numeric value expected as return value of the compare function
// expect: numeric value expected as return value of the compare function
// A deep call from the compare function and an error caught inside it.
function depth(n) { return n == 0 ? 0 : 1 + depth(n - 1); }
a = [4, 2, 9, 1];
a.sort(function(x, y) {
  try { throw "inner"; } catch (e) {}
  return (x + depth(50)) <=> (y + depth(50));
});
print(a[0] + " " + a[1] + " " + a[2] + " " + a[3] + "\n");  // expect: 1 2 4 9
// A sort inside a compare function.
a = [[3, 1], [2, 2, 0], [9]];
a.sort(function(x, y) { x.sort(); y.sort(); return x[0] <=> y[0]; });
print(a[0][0] + " " + a[1][0] + " " + a[2][0] + "\n");  // expect: 0 1 9
