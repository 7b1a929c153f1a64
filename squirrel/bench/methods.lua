local Counter = {}
Counter.__index = Counter
function Counter.new() return setmetatable({ n = 0 }, Counter) end
function Counter:add(k) self.n = self.n + k return self.n end
local c = Counter.new()
for i = 0, 5000000 - 1 do c:add(1) end
print(c.n)
