-- Closures made in a loop, each capturing locals, then called many times.
function make(k)
  local n = 0
  return function(d) n = n + d * k; return n end
end
local total = 0
for i = 0, 300000 - 1 do
  local f = make(i & 3)
  total = total + f(1) + f(2)
  total = total & 0xffffff
end
local acc = make(1)
local apply = function(g, x) return g(x) end
for i = 0, 3000000 - 1 do apply(acc, 1) end
print(total .. " " .. acc(0))
