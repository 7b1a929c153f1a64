local sum = 0;
for (local i = 0; i < 30000000; i++) sum += i & 15;
local j = 0;
while (j < 10000000) { sum += 1; j++; }
print(sum + "\n");
