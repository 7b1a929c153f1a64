// collectgarbage frees a table that holds itself.
local cyc = {}; cyc.self <- cyc; cyc = null;
print((collectgarbage() >= 1) + "\n");  // expect: true
