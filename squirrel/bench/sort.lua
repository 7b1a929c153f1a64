-- table.sort with a comparator on pseudo-random integers.
local seed = 42
local total = 0
for r = 1, 10 do
  local a = {}
  for i = 1, 30000 do seed = (seed * 1103515245 + 12345) & 0x7fffffff; a[i] = seed % 100000 end
  table.sort(a, function(x, y) return x < y end)
  for i = 1, 30000, 1000 do total = (total + a[i]) & 0xffffff end
end
print(total)
