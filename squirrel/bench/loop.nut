local sum = 0;
for (local i = 0; i < 10000000; i++) sum += i;
print(sum + "\n");
