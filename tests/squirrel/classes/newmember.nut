// newmember, rawnewmember and rawset add fields, attributes and statics to a class.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

class Open { a = 1; }
show("newmember", function() { Open.newmember("b", 2); return Open.b; });  // expect: newmember: integer 2
show("newmember with attributes", function() { Open.newmember("c", 3, { tag = "t" }); return Open.getattributes("c").tag; });
// expect: newmember with attributes: string t
show("newmember static", function() { Open.newmember("d", 4, null, true); return Open.d; });  // expect: newmember static: integer 4
show("rawnewmember", function() { Open.rawnewmember("e", 5); return Open.e; });  // expect: rawnewmember: integer 5
show("rawset on an open class", function() { return Open.rawset("f", 6); });  // expect: rawset on an open class: null (null : 0x(nil))
show("newmember wrong count", function() { return Open.newmember("g"); });  // expect: newmember wrong count: error wrong number of parameters
show("new members", function() { local o = Open(); return o.a + " " + o.b + " " + o.c + " " + o.d + " " + o.e + " " + o.f; });
// expect: new members: string 1 2 3 4 5 6
