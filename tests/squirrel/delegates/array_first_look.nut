// A first look at the array delegate: push, insert, remove, sort, reverse, map, apply, reduce, filter, find, resize, slice and their errors.
local a = [5, 3, 8, 1];
print(a.len() + " " + a.top() + "\n");  // expect: 4 1
a.push(9);
a.append(2);
print(a.pop() + " " + a.len() + "\n");  // expect: 2 5
a.insert(0, 7);
a.insert(a.len(), 4);
a.remove(1);
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 7 3 8 1 9 4\x20
a.sort();
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 1 3 4 7 8 9\x20
a.sort(function(x, y) { return y <=> x; });
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 9 8 7 4 3 1\x20
a.reverse();
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 1 3 4 7 8 9\x20
local m = a.map(function(x) { return x * 2; });
foreach (x in m) print(x + " ");
print("\n");  // expect-escaped: 2 6 8 14 16 18\x20
a.apply(function(x) { return x + 1; });
foreach (x in a) print(x + " ");
print("\n");  // expect-escaped: 2 4 5 8 9 10\x20
print(a.reduce(function(acc, x) { return acc + x; }) + "\n");  // expect: 38
local f = a.filter(function(i, x) { return x % 2 == 0; });
foreach (x in f) print(x + " ");
print("\n");  // expect-escaped: 2 4 8 10\x20
print(a.find(9) + " " + a.find(100) + "\n");  // expect: 4 (null : 0x(nil))
a.resize(2);
print(a.len() + " " + a[1] + "\n");  // expect: 2 4
a.resize(4, "z");
print(a[3] + " " + a.len() + "\n");  // expect: z 4
a.resize(5);
print(a[4] + "\n");  // expect: (null : 0x(nil))
local sl = [1, 2, 3, 4, 5].slice(1, -1);
foreach (x in sl) print(x + " ");
print("\n");  // expect-escaped: 2 3 4\x20
try { [].pop(); } catch (e) { print(e + "\n"); }  // expect: empty array
try { [].top(); } catch (e) { print(e + "\n"); }  // expect: top() on a empty array
try { [1].remove(5); } catch (e) { print(e + "\n"); }  // expect: idx out of range
try { [1].insert(5, 0); } catch (e) { print(e + "\n"); }  // expect: index out of range
try { [1].resize(-1); } catch (e) { print(e + "\n"); }  // expect: negative size
print([].reduce(function(a, b) { return a + b; }) + "\n");  // expect: (null : 0x(nil))
local arr2 = [1, 2];
arr2.clear();
print(arr2.len() + "\n");  // expect: 0
