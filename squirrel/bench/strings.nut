local t = {};
for (local i = 0; i < 200000; i++) { local s = "key" + i; t[s] <- i; }
print(t.len() + "\n");
