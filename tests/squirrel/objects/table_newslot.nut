// New slots on tables: the value of the expression, a slot overwritten, keys refused.
local t = {};
print((t.a <- 5) + "\n");                        // expect: 5
local u = (t.b <- "x") + (t.a <- 6);
print(u + " " + t.a + " " + t.b + "\n");         // expect: x6 6 x

// Overwriting a slot drops the old value at once.
class Box {}
function put(t) { t.c <- Box(); return t.c.weakref(); }
function overwrite(t) { t.c <- 1; }
local w = put(t);
print((w.ref() != null) + "\n");                 // expect: true
overwrite(t);
print((w.ref() == null) + "\n");                 // expect: true

// A null key is refused; a float key works; a table with a delegate asks its _newslot.
try { t[null] <- 1; } catch (e) { print(e + "\n"); }   // expect: null cannot be used as index
t[1.5] <- "f";
print(t[1.5] + "\n");                            // expect: f
local seen = [];
local d = {}.setdelegate({ _newslot = function(k, v) { seen.append(k + "=" + v); } });
d.k <- 3;
print(seen[0] + " " + ("k" in d) + "\n");        // expect: k=3 false
d.rawset("k", 4);
d.k <- 5;
print(seen.len() + " " + d.k + "\n");            // expect: 1 5

// Many slots: the table grows and keeps them all.
local big = {};
for (local i = 0; i < 1000; i++) big[i * 3] <- i;
local sum = 0;
foreach (k, v in big) sum += v;
print(big.len() + " " + sum + "\n");             // expect: 1000 499500
