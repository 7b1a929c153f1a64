local t, count = {}, 0
for i = 0, 200000 - 1 do local s = "key" .. i; t[s] = i; count = count + 1 end
print(count)
