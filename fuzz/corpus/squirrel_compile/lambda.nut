local add = @(a, b) a + b;
local scaled = @(x, f = 3) x * f, count = @(...) vargv.len();
local t = { twice = @(v) v * 2, nested = @(a) @(b) a <=> b };
local arr = [3, 1, 2];
arr.sort(@(a, b) a <=> b);
foreach (f in [@() 1, add]) arr.append(f(1, 2));
return arr.map(@(v) "a" in t == false ? scaled(v) : add(v, count(1)));
