// map, reduce, filter and find chained on one array.
local arr = [1, 2, 3, 4];
print(arr.map(function(x) { return x * 2; }).reduce(function(a, b) { return a + b; }) + " ");
print(arr.filter(function(i, x) { return x % 2 == 0; }).len() + " " + arr.find(3) + "\n");  // expect: 20 2 2
