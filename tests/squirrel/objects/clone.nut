// clone copies instances, tables and arrays one level deep.
class Shape </ kind = "abstract", version = 2 /> {
  </ doc = "the name" />
  name = "shape";
  </ doc = "area", unit = "m2" />
  function area() { return 0; }
  static count = 0;
  constructor(n) { name = n; }
}
class Square extends Shape {
  side = 1;
  constructor(s) { base.constructor("square"); side = s; }
  function area() { return side * side; }
  function describe() { return name + " " + area() + " base area " + base.area(); }
}
local sq1 = Square(3);
local sq2 = clone sq1;
sq2.side = 5;
print(sq1.area() + " " + sq2.area() + " " + (sq2 instanceof Square) + "\n");  // expect: 9 25 true
local ta = { list = [1, 2] };
local tb = clone ta;
tb.list.append(3);
tb.extra <- 1;
print(ta.list.len() + " " + ta.rawin("extra") + "\n");  // expect: 3 false
local arrA = [[1], 2];
local arrB = clone arrA;
arrB[0].append(9); arrB[1] = 7;
print(arrA[0].len() + " " + arrA[1] + "\n");  // expect: 2 2
