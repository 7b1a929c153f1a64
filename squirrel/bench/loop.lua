local sum = 0
for i = 0, 30000000 - 1 do sum = sum + (i & 15) end
local j = 0
while j < 10000000 do sum = sum + 1; j = j + 1 end
print(sum)
