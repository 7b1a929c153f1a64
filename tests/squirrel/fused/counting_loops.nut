// Counting loops run fused on integers, and fall back with the same results on floats and with the same errors on other values.
local s = "";
for (local i = 0; i < 5; i++) s += i;
for (local i = 5; i > 0; i--) s += i;
for (local i = 0; i <= 3; ++i) s += i;
for (local i = 3; i >= 0; --i) s += i;
print(s + "\n");  // expect: 012345432101233210

local f = "";
for (local i = 0.5; i < 3; i++) f += i + ",";
for (local i = 0.25; i <= 2; ++i) f += i + ",";
for (local i = 0; i < 3; i++) { f += i + ","; if (i == 1) i = 1.5; }
print(f + "\n");  // expect: 0.5,1.5,2.5,0.25,1.25,0,1,2.5,
try { for (local i = "a"; i < 3; i++) {} } catch (e) print(e + "\n");  // expect: comparison between 'a' and '3'
try { for (local i = 0; i < 3; i++) { if (i == 1) i = null; } } catch (e) print(e + "\n");  // expect: arith op + on between 'null' and 'integer'
