// Reading members by name: tables, instances, classes, delegates, _get, arrays and strings by
// name, missing members, and a member read through a weak reference.
local holder = { q = 2 };
function g() {
  local target = { v = 1 };
  holder.w <- target.weakref();
  local y = holder.w.v;
  return y;
}
print(g() + " " + typeof holder.w + "\n");  // expect: 1 table
class P { x = 1; y = 2; function sum() { return x + y; } static s = "static"; }
local p = P();
p.x = 10;
print(p.x + " " + p.y + " " + p.sum() + " " + p.s + " " + P.s + " " + P.y + "\n");  // expect: 10 2 12 static static 2
local d = { a = 1 };
d.setdelegate({ b = 2, _get = function(k) { return "got " + k; } });
print(d.a + " " + d.b + " " + d.c + "\n");  // expect: 1 2 got c
local arr = [1, 2, 3];
print(arr.len() + " " + typeof arr.top + " " + "abc".len() + "\n");  // expect: 3 function 3
try { print(p.missing + "\n"); } catch (e) print(e + "\n");  // expect: the index 'missing' does not exist
try { print(holder.missing + "\n"); } catch (e) print(e + "\n");  // expect: the index 'missing' does not exist
try { local n = null; print(n.x + "\n"); } catch (e) print(e + "\n");  // expect: the index 'x' does not exist
local chain = { a = { b = { c = "deep" } } };
print(chain.a.b.c + "\n");  // expect: deep
