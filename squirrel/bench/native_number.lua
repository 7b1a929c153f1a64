local x = 0.0
for i = 0, 1000000 - 1 do x = Pow(1.5, 2.0) end
print(x)
