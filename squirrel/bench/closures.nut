// Closures made in a loop, each capturing locals, then called many times.
function make(k) {
  local n = 0;
  return function(d) { n += d * k; return n; };
}
local total = 0;
for (local i = 0; i < 300000; i++) {
  local f = make(i & 3);
  total += f(1) + f(2);
  total = total & 0xffffff;
}
local acc = make(1);
local apply = function(g, x) { return g(x); };
for (local i = 0; i < 3000000; i++) apply(acc, 1);
print(total + " " + acc(0) + "\n");
