-- Tables keyed by integers and by field names: inserts, reads, updates and removals.
local t = {}
for i = 0, 200000 - 1 do t[i * 7] = i end
local sum = 0
for r = 1, 5 do
  for i = 0, 200000 - 1 do sum = (sum + t[i * 7]) & 0xffffff end
end
for i = 0, 200000 - 1, 2 do t[i * 7] = nil end
local points = {}
for i = 0, 200000 - 1 do points[#points + 1] = { x = i, y = i * 2, tag = "p" } end
for _, p in ipairs(points) do p.x = p.x + p.y; sum = (sum + p.x) & 0xffffff end
local count = 0
for k, v in pairs(t) do count = count + 1 end
print(sum .. " " .. count .. " " .. #points)
