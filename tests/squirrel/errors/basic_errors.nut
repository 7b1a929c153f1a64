// The messages of the first runtime errors: missing index, division and modulo by zero, negative size, null arithmetic.
local t = { x = 1, y = "two" };
try { local q = t.missing; } catch (e) { print(e + "\n"); }  // expect: the index 'missing' does not exist
try { local q = 1 / 0; } catch (e) { print(e + "\n"); }  // expect: division by zero
try { local q = 1 % 0; } catch (e) { print(e + "\n"); }  // expect: modulo by zero
try { array(-1); } catch (e) { print(e + "\n"); }  // expect: negative size
try { null + 1; } catch (e) { print(e + "\n"); }  // expect: arith op + on between 'null' and 'integer'
