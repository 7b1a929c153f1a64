// getinfos of closures and natives: name, source, parameters, defaults, checks.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

function add(a, b) { return a + b; }
function whoami() { return this.name; }
function withdefaults(a, b = 2, c = "c") { return a + b + c; }
function variadic(a, ...) { return a + vargv.len(); }
local env = { name = "env" };
local info = withdefaults.getinfos();
show("getinfos.native", function() { return info.native; });  // expect: getinfos.native: bool false
show("getinfos.name", function() { return info.name; });  // expect: getinfos.name: string withdefaults
show("getinfos.src", function() { return info.src; });  // expect: getinfos.src: string function_getinfos.nut
show("getinfos.parameters", function() { local o = ""; foreach (p in info.parameters) o += p + " "; return o; });
// expect-escaped: getinfos.parameters: string this a b c\x20
show("getinfos.varargs", function() { return info.varargs; });  // expect: getinfos.varargs: integer 0
show("getinfos.defparams", function() { local o = ""; foreach (p in info.defparams) o += p + " "; return o; });
// expect-escaped: getinfos.defparams: string 2 c\x20
show("variadic parameters", function() { local o = ""; foreach (p in variadic.getinfos().parameters) o += p + " "; return o; });
// expect-escaped: variadic parameters: string this a vargv ...\x20
show("variadic varargs", function() { return variadic.getinfos().varargs; });  // expect: variadic varargs: integer 1
show("anonymous name", function() { return (function() {}).getinfos().name; });  // expect: anonymous name: null (null : 0x(nil))
show("getinfos slots", function() { return info.len(); });  // expect: getinfos slots: integer 6
local ninfo = "".slice.getinfos();
show("native getinfos.native", function() { return ninfo.native; });  // expect: native getinfos.native: bool true
show("native getinfos.name", function() { return ninfo.name; });  // expect: native getinfos.name: string slice
show("native getinfos.paramscheck", function() { return ninfo.paramscheck; });  // expect: native getinfos.paramscheck: integer -1
show("native getinfos.typecheck", function() { local o = ""; foreach (p in ninfo.typecheck) o += p + " "; return o; });
// expect-escaped: native getinfos.typecheck: string 16 6 6\x20
show("native getinfos slots", function() { return ninfo.len(); });  // expect: native getinfos slots: integer 4
show("print getinfos.typecheck", function() { return print.getinfos().typecheck; });  // expect: print getinfos.typecheck: null (null : 0x(nil))
show("print getinfos.paramscheck", function() { return print.getinfos().paramscheck; });  // expect: print getinfos.paramscheck: integer 2
show("weakref of a closure", function() { return add.weakref().ref() == add; });  // expect: weakref of a closure: bool true
