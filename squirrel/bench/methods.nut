class Counter { n = 0; function add(k) { n += k; return n; } }
local c = Counter();
for (local i = 0; i < 5000000; i++) c.add(1);
print(c.n + "\n");
