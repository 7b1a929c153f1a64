// Classes, attributes, instanceof, typeof, clone, bindenv, weak references and stack information.
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

local fields = [];
foreach (k, v in Square) if (typeof v != "function") fields.append(k + "=" + v);
fields.sort();
foreach (f in fields) print(f + " ");
print("\n");  // expect-escaped: count=0 name=shape side=1\x20

class Typed { function _typeof() { return "TypedThing"; } }
print(typeof Typed() + " " + (Typed() instanceof Typed) + "\n");  // expect: TypedThing true

local env = { val = "from env" };
function whoami() { return this.val; }
local bound = whoami.bindenv(env);
print(bound() + " " + bound.call({ val = "ignored" }) + "\n");  // expect: from env from env
local obj = { val = "obj", f = null };
obj.f = whoami;
print(obj.f() + "\n");  // expect: obj

class Node { next = null; name = ""; constructor(n) { name = n; } }
local w = (function() {  // expect: one weakref true
  local n = Node("one");
  local w = n.weakref();
  print(w.ref().name + " " + typeof w + " " + (w.ref() == n) + "\n");
  return w;
})();
print(w.ref() + " " + typeof w.ref() + "\n");  // expect: (null : 0x(nil)) null
local holder = {};
(function() {  // expect: 1 table table
  local target = { v = 1 };
  holder.w <- target.weakref();
  print(holder.w.v + " " + typeof holder.w + " " + typeof holder.rawget("w") + "\n");
})();
print(holder.w + " " + holder.len() + "\n");  // expect: (null : 0x(nil)) 1
function makeCycle() {
  local a1 = Node("a"), a2 = Node("b");
  a1.next = a2; a2.next = a1;
  local r = a1.weakref();
  return r;
}
local aw = makeCycle();
print(typeof aw + " " + collectgarbage() + " " + aw.ref() + "\n");  // expect: weakref 2 (null : 0x(nil))

function level2() {
  local info = getstackinfos(1);
  print(info.func + " " + info.src + " " + info.line + " " + ("this" in info.locals) + "\n");
  local caller = getstackinfos(2);
  print(caller.func + " " + caller.line + " " + caller.locals.x + "\n");
  print(getstackinfos(50) + "\n");
}
function level1() {
  local x = 42;
  level2();
}
level1();
// expect: level2 objects.nut 82 true
// expect: level1 90 42
// expect: (null : 0x(nil))
print(getstackinfos(0).func + " " + getstackinfos(0).line + " " + getstackinfos(0).src + " " + getstackinfos(1).func + "\n");
// expect: getstackinfos -1 NATIVE main
