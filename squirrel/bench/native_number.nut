local x = 0.0;
for (local i = 0; i < 1000000; i++) x = Pow(1.5, 2.0);
print(x + "\n");
