// The order foreach walks a table in follows from its insertions and removals alone: integer,
// float and string keys, colliding and moved between nodes, the table growing and shrinking.
local seed = 3;
function rnd(n) { seed = (seed * 1103515245 + 12345) & 0x7fffffff; return seed % n; }
function keys(t) {
  local s = "";
  foreach (k, v in t) s += k + " ";
  return s;
}
local t = {};
for (local step = 0; step < 2000; step++) {
  local k = rnd(3) == 0 ? "s" + rnd(100) : (rnd(4) == 0 ? rnd(100) + 0.5 : rnd(200));
  if (rnd(10) < 6) t[k] <- step; else if (k in t) delete t[k];
  if (step % 400 == 399) print(t.len() + ": " + keys(t) + "\n");
}
print(keys(clone t) + "\n");
local grown = {};
for (local i = 0; i < 100; i++) grown[i * 16] <- i;
for (local i = 0; i < 96; i++) delete grown[i * 16];
print(keys(grown) + "\n");
