// array.sort with a comparator on pseudo-random integers.
local seed = 42;
local total = 0;
for (local r = 0; r < 10; r++) {
  local a = array(30000);
  for (local i = 0; i < 30000; i++) { seed = (seed * 1103515245 + 12345) & 0x7fffffff; a[i] = seed % 100000; }
  a.sort(function(x, y) { return x < y ? -1 : (x > y ? 1 : 0); });
  for (local i = 0; i < 30000; i += 1000) total = (total + a[i]) & 0xffffff;
}
print(total + "\n");
