-- `t[k] ~= nil` on keys the table lacks, strings and integers.
local t = {}
local keys = {}
for i = 0, 1000 - 1 do t["k" .. i] = i; t[i] = i; keys[#keys + 1] = "m" .. i end
local found = 0
for i = 0, 2000000 - 1 do
  if t[keys[i % 1000 + 1]] ~= nil then found = found + 1 end
  if t[i + 1000] ~= nil then found = found + 1 end
end
print(found)
