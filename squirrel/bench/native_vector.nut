local v = origin;
for (local i = 0; i < 1000000; i++) v = VectorStep(v);
print(VectorGetX(v).tointeger() + "\n");
