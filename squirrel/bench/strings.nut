// Keys built by concatenation into a table, then a long string built piece by piece.
local t = {};
for (local i = 0; i < 300000; i++) { local s = "key" + i; t[s] <- i; }
local total = 0;
for (local r = 0; r < 40; r++) {
  local s = "";
  for (local i = 0; i < 1000; i++) s += "ab" + (i % 10);
  total += s.len();
}
print(t.len() + " " + total + "\n");
