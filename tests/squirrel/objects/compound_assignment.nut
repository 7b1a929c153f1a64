// Compound assignment to fields of instances and tables; weak references kept in slots.
// A method's plain name finds an enclosing local before a member: add() counts into the local n.
local n = 0;
for (;;) { if (++n > 4) break; }
class Counter { n = 0; f = 1.5; s = "a"; function add(d) { n += d; f *= 2; return n; } }
local c = Counter();
for (local j = 0; j < 4; j++) c.add(j);
print(c.n + " " + c.f + "\n");  // expect: 0 24
c.n -= 0.5; c.s += 1; c.n *= 2;
print(c.n + " " + c.s + "\n");  // expect: -1 a1
try { c.add("z"); } catch (e) { print(e + "\n"); }
print(c.n + "\n");  // expect: -1
local t = { v = 1 };
t.v += 2; t.v -= 5; t.v *= -2; print(t.v + "\n");  // expect: 4
t.v /= 3; t.v %= 3; print(t.v + "\n");  // expect: 1
try { t.missing += 1; } catch (e) { print(e + "\n"); }  // expect: the index 'missing' does not exist
local holder = { o = Counter() };
holder.w <- holder.o.weakref();
print(typeof holder.w + " " + (holder.w == holder.o) + " " + typeof holder["w"] + "\n");  // expect: instance true instance
local arr = [holder.o.weakref(), 2];
print(typeof arr[0] + " " + arr[1] + "\n");  // expect: instance 2
