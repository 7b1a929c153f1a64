// Callbacks of sort, map, apply, reduce and filter that resize the array being walked.
function dump(a) {
  local out = "[";
  foreach (i, x in a) out += (i ? " " : "") + x;
  return out + "]";
}
local a = [5, 3, 8, 1, 9, 2];
try { a.sort(function(x, y) { a.clear(); return x <=> y; }); print("sorted\n"); } catch (e) print(e + "\n");  // expect: array resized during sort
a = [5, 3, 8, 1, 9, 2];
try { a.sort(function(x, y) { a.resize(3); return x <=> y; }); print("sorted\n"); } catch (e) print(e + "\n");  // expect: array resized during sort
a = [3, 1, 2];
a.sort(function(x, y) { a.push(0); return x <=> y; });
print("grown while sorting: " + (a.len() > 3) + " " + dump(a.slice(0, 3)) + "\n");  // expect: grown while sorting: true [1 2 3]
a = [1, 2, 3];
print("map: " + dump(a.map(function(x) { a.clear(); return x * 10; })) + "\n");  // expect: map: [10 (null : 0x(nil)) (null : 0x(nil))]
a = [1, 2, 3];
a.apply(function(x) { a.pop(); return x * 10; });
print("apply: " + dump(a) + "\n");  // expect: apply: [10]
a = [1, 2, 3];
print("reduce: " + a.reduce(function(p, x) { a.clear(); return p + x; }) + "\n");  // expect: reduce: 3
a = [1, 2, 3];
print("filter: " + dump(a.filter(function(i, x) { a.clear(); return true; })) + "\n");  // expect: filter: [1]
