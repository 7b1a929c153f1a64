// Compares and arithmetic against constants: integer overflow wraps, floats and strings give the plain results, other values the plain errors.
local big = 0x7FFFFFFF, half = 2.5, str = "a", nothing = null;
print((big + 1) + " " + (-big - 2) + " " + (big < 5) + " " + (big > -5) + "\n");  // expect: -2147483648 2147483647 false true
print((half + 1) + " " + (half - 1) + " " + (half < 3) + " " + (half > 3) + "\n");  // expect: 3.5 1.5 true false
print((str + 1) + "\n");  // expect: a1
try { print(nothing + 1); } catch (e) print(e + "\n");  // expect: arith op + on between 'null' and 'integer'
try { print(nothing - 1); } catch (e) print(e + "\n");  // expect: arith op - on between 'null' and 'integer'
try { print(nothing < 1); } catch (e) print(e + "\n");
try { if (str < 1) print("no\n"); } catch (e) print(e + "\n");  // expect: truecomparison between 'a' and '1'
local n = 4;
if (n < 5) print("below\n"); else print("above\n");  // expect: below
if (!(n < 3)) print("not below\n");  // expect: not below
if (half < n) print("half below\n");  // expect: half below
while (n > 0) n -= 3;
print(n + "\n");  // expect: -2
