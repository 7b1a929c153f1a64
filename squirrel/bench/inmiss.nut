// `k in t` on keys the table lacks, strings and integers.
local t = {};
local keys = [];
for (local i = 0; i < 1000; i++) { t["k" + i] <- i; t[i] <- i; keys.append("m" + i); }
local found = 0;
for (local i = 0; i < 2000000; i++) {
  if (keys[i % 1000] in t) found++;
  if ((i + 1000) in t) found++;
}
print(found + "\n");
