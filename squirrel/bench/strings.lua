-- Keys built by concatenation into a table, then a long string built piece by piece.
local t, count = {}, 0
for i = 0, 300000 - 1 do local s = "key" .. i; t[s] = i; count = count + 1 end
local total = 0
for r = 0, 40 - 1 do
  local s = ""
  for i = 0, 1000 - 1 do s = s .. "ab" .. (i % 10) end
  total = total + #s
end
print(count .. " " .. total)
