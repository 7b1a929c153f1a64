// tostring of each kind of value: "(<type> : 0x<address>)" (the address varies), or _tostring.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

class Base </ kind = "base" /> {
  x = 1;
  </ doc = "the method" />
  function m() { return "m " + x; }
  static s = "static";
}
class Derived extends Base { y = 2; }
local d = Derived();
local target = { v = 1 };
local w = target.weakref();
function shape(s) {
  local open = s.find(" : 0x");
  if (open == null || s[0] != '(' || s[s.len() - 1] != ')') return "unexpected " + s;
  return s.slice(0, open + 5) + "...)";
}
show("table", function() { return shape({}.tostring()); });  // expect: table: string (table : 0x...)
show("array", function() { return shape([].tostring()); });  // expect: array: string (array : 0x...)
show("closure", function() { return shape(show.tostring()); });  // expect: closure: string (function : 0x...)
show("native closure", function() { return shape(print.tostring()); });  // expect: native closure: string (function : 0x...)
show("class", function() { return shape(Base.tostring()); });  // expect: class: string (class : 0x...)
show("instance", function() { return shape(d.tostring()); });  // expect: instance: string (instance : 0x...)
show("generator", function() { return shape((function() { yield 1; })().tostring()); });  // expect: generator: string (generator : 0x...)
show("thread", function() { return shape(newthread(print).tostring()); });  // expect: thread: string (thread : 0x...)
show("weakref", function() { return shape(w.tostring()); });  // expect: weakref: string (weakref : 0x...)
show("print of a table", function() { return shape("" + {}); });  // expect: print of a table: string (table : 0x...)
show("_tostring", function() { return (class { function _tostring() { return "custom"; } })().tostring(); });  // expect: _tostring: string custom
show("_tostring of a table", function() { return {}.setdelegate({ _tostring = function() { return "tbl"; } }).tostring(); });
// expect: _tostring of a table: string tbl
show("_tostring not a string", function() { return shape((class { function _tostring() { return 1; } })().tostring()); });
// expect: _tostring not a string: string (instance : 0x...)
show("_tostring throws", function() { return (class { function _tostring() { throw "no string"; } })().tostring(); });
// expect: _tostring throws: error no string
show("same table same text", function() { local t = {}; return t.tostring() == t.tostring(); });  // expect: same table same text: bool true
show("other table other text", function() { return {}.tostring() == [].tostring(); });  // expect: other table other text: bool false
print(Base.weakref().tostring().slice(0, 9) + "\n");  // expect-escaped: (weakref\x20
