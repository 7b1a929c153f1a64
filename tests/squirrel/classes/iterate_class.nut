// foreach over a class gives its fields and statics, inherited ones included.
class Shape </ kind = "abstract", version = 2 /> {
  </ doc = "the name" />
  name = "shape";
  </ doc = "area", unit = "m2" />
  function area() { return 0; }
  static count = 0;
  constructor(n) { name = n; Shape.count++; }
}
class Square extends Shape {
  side = 1;
  constructor(s) { base.constructor("square"); side = s; }
  function area() { return side * side; }
  function describe() { return name + " " + area() + " base area " + base.area(); }
}
local fields = [];
foreach (k, v in Square) if (typeof v != "function") fields.append(k + "=" + v);
fields.sort();
foreach (f in fields) print(f + " ");
print("\n");  // expect-escaped: count=0 name=shape side=1\x20
