// Class and member attributes, statics shared with derived classes, instanceof, typeof and getbase.
::shapesMade <- 0; class Shape </ kind = "abstract", version = 2 /> {
  </ doc = "the name" />
  name = "shape";
  </ doc = "area", unit = "m2" />
  function area() { return 0; }
  static count = 0;
  constructor(n) { name = n; ::shapesMade++; }
}
class Square extends Shape {
  side = 1;
  constructor(s) { base.constructor("square"); side = s; }
  function area() { return side * side; }
  function describe() { return name + " " + area() + " base area " + base.area(); }
}
local sq1 = Square(3);
print(sq1.describe() + " " + ::shapesMade + " " + Square.count + "\n");  // expect: square 9 base area 0 1 0
print(Shape.getattributes(null).kind + " " + Shape.getattributes(null).version + " " + Shape.getattributes("name").doc + " " + Shape.getattributes("area").unit + "\n");
// expect: abstract 2 the name m2
print(typeof Square.getattributes(null) + " " + Square.getattributes("side") + "\n");  // expect: null (null : 0x(nil))
Shape.setattributes("name", { doc = "changed" });
print(Shape.getattributes("name").doc + "\n");  // expect: changed
try { Shape.getattributes("nothing"); } catch (e) { print(e + "\n"); }  // expect: wrong index
print((sq1 instanceof Square) + " " + (sq1 instanceof Shape) + " " + (Shape(1) instanceof Square) + "\n");  // expect: true true false
print(typeof sq1 + " " + typeof Square + " " + (Square.getbase() == Shape) + " " + Shape.getbase() + "\n");
// expect: instance class true (null : 0x(nil))
