// Tables keyed by integers and by field names: inserts, reads, updates and removals.
local t = {};
for (local i = 0; i < 200000; i++) t[i * 7] <- i;
local sum = 0;
for (local r = 0; r < 5; r++)
  for (local i = 0; i < 200000; i++) sum = (sum + t[i * 7]) & 0xffffff;
for (local i = 0; i < 200000; i += 2) delete t[i * 7];
local points = [];
for (local i = 0; i < 200000; i++) points.append({ x = i, y = i * 2, tag = "p" });
foreach (p in points) { p.x += p.y; sum = (sum + p.x) & 0xffffff; }
local count = 0;
foreach (k, v in t) count++;
print(sum + " " + count + " " + points.len() + "\n");
