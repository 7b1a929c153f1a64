local v = origin
for i = 0, 1000000 - 1 do v = VectorStep(v) end
print(math.floor(VectorGetX(v)))
