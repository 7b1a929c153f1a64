// The base library registered by sq_open: arguments, results and errors.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

// print takes exactly one value and prints its text
print(12); print(" "); print(-1.5); print(" "); print(true); print(" "); print("text"); print("\n");  // expect: 12 -1.5 true text
print("stops at a zero byte\x00hidden"); print("\n");  // expect: stops at a zero byte
show("print returns", function() { return print(""); });  // expect: print returns: null (null : 0x(nil))
show("print()", function() { return print(); });  // expect: print(): error wrong number of parameters
show("print(1, 2)", function() { return print(1, 2); });  // expect: print(1, 2): error wrong number of parameters
show("print of _tostring", function() { print(class { function _tostring() { return "custom\n"; } }()); return null; });
// expect: custom
// expect: print of _tostring: null (null : 0x(nil))
show("print of a failing _tostring", function() { return print(class { function _tostring() { throw "tostring failed"; } }()); });
// expect: print of a failing _tostring: error tostring failed
// error writes to the error stream; an empty text keeps that stream quiet here
show("error returns", function() { return error(""); });  // expect: error returns: null (null : 0x(nil))
show("error()", function() { return error(); });  // expect: error(): error wrong number of parameters

show("assert(true)", function() { return assert(true); });  // expect: assert(true): null (null : 0x(nil))
show("assert('')", function() { return assert(""); });  // expect: assert(''): null (null : 0x(nil))
show("assert(false)", function() { return assert(false); });  // expect: assert(false): error assertion failed
show("assert(0)", function() { return assert(0); });  // expect: assert(0): error assertion failed
show("assert(null)", function() { return assert(null); });  // expect: assert(null): error assertion failed
show("assert(0.0)", function() { return assert(0.0); });  // expect: assert(0.0): error assertion failed
show("assert()", function() { return assert(); });  // expect: assert(): error wrong number of parameters

show("type", function() {  // expect: type: string null integer float bool string table array function function generator thread class instance weakref
  local out = "";
  foreach (v in [null, 1, 1.5, true, "s", {}, [], print, show, (function() { yield 1; })(), newthread(print),
                 class {}, (class { function _typeof() { return "custom"; } })()])
    out += type(v) + " ";
  local wr = getroottable().weakref();
  return out + type(wr);
});
show("type()", function() { return type(); });  // expect: type(): error wrong number of parameters
show("type(1, 2)", function() { return type(1, 2); });  // expect: type(1, 2): error wrong number of parameters

show("array(3)", function() { local a = array(3); return a.len() + " " + a[0] + " " + a[2]; });
// expect: array(3): string 3 (null : 0x(nil)) (null : 0x(nil))
show("array(2, 'x')", function() { local a = array(2, "x"); return a[0] + a[1]; });  // expect: array(2, 'x'): string xx
show("array(0)", function() { return array(0).len(); });  // expect: array(0): integer 0
show("array(2.9)", function() { return array(2.9).len(); });  // expect: array(2.9): integer 2
show("array shares the fill", function() { local a = array(2, []); a[0].append(1); return a[1].len(); });  // expect: array shares the fill: integer 1
show("array(-1)", function() { return array(-1); });  // expect: array(-1): error negative size
show("array(-1, 0)", function() { return array(-1, 0); });  // expect: array(-1, 0): error negative size
show("array('3')", function() { return array("3"); });
// expect: array('3'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("array()", function() { return array(); });  // expect: array(): error wrong number of parameters

show("compilestring", function() { return compilestring("return 6 * 7;")(); });  // expect: compilestring: integer 42
show("compilestring arguments", function() { return compilestring("return vargv.len() + \" \" + vargv[1];")(null, "a", "b"); });
// expect: compilestring arguments: string 3 a
show("compilestring this", function() { return compilestring("return this.v;").call({ v = "this" }); });  // expect: compilestring this: string this
show("compilestring name", function() { return compilestring("return 1").getinfos().name; });  // expect: compilestring name: string main
show("compilestring default source", function() { return compilestring("return 1").getinfos().src; });
// expect: compilestring default source: string unnamedbuffer
show("compilestring source", function() { return compilestring("return 1", "chunk").getinfos().src; });  // expect: compilestring source: string chunk
show("compilestring empty", function() { return compilestring("")(); });  // expect: compilestring empty: null (null : 0x(nil))
show("compilestring syntax error", function() { return compilestring("local = 1"); });
// expect: compilestring syntax error: error expected 'IDENTIFIER'
show("compilestring unclosed", function() { return compilestring("function f() {", "unclosed"); });
// expect: compilestring unclosed: error expression expected
show("compilestring(1)", function() { return compilestring(1); });
// expect: compilestring(1): error parameter 1 has an invalid type 'integer' ; expected: 'string'
show("compilestring('', 1)", function() { return compilestring("", 1); });
// expect: compilestring('', 1): error parameter 2 has an invalid type 'integer' ; expected: 'string'
show("compilestring runtime error", function() { return compilestring("return nothing;")(); });
// expect: compilestring runtime error: error the index 'nothing' does not exist

show("getroottable", function() { return (getroottable() == ::getroottable()) + " " + (getroottable().print == print); });
// expect: getroottable: string true true
show("setroottable", function() {  // expect: setroottable: string true fresh root fresh root true
  local out = print;
  local old = getroottable();
  local prev = setroottable({ marker = "fresh root" });
  local seen = ::marker;
  local back = setroottable(old);
  return (prev == old) + " " + seen + " " + (back.marker) + " " + (getroottable() == old);
});
show("setroottable(1)", function() { return setroottable(1); });  // expect: setroottable(1): error ivalid type
show("setroottable()", function() { return setroottable(); });  // expect: setroottable(): error wrong number of parameters

const LIMIT = 10;
show("getconsttable", function() { return getconsttable().LIMIT; });  // expect: getconsttable: integer 10
show("setconsttable", function() {  // expect: setconsttable: string true from the new table from the new table
  local old = getconsttable();
  local prev = setconsttable({ K = "from the new table" });
  local f = compilestring("return K;");
  local back = setconsttable(old);
  return (prev == old) + " " + f() + " " + back.K;
});
show("setconsttable(null)", function() { return setconsttable(null); });  // expect: setconsttable(null): error ivalid type, expected table
show("setconsttable([])", function() { return setconsttable([]); });  // expect: setconsttable([]): error ivalid type, expected table

show("collectgarbage", function() { return typeof collectgarbage(); });  // expect: collectgarbage: string integer
show("collectgarbage frees a cycle", function() {  // expect: collectgarbage frees a cycle: string true (null : 0x(nil))
  local w = null;
  (function() { local t = {}; t.me <- t; w = t.weakref(); })();
  local before = w.ref() != null;
  collectgarbage();
  return before + " " + w.ref();
});

show("newthread", function() { return typeof newthread(function() {}); });  // expect: newthread: string thread
show("newthread(1)", function() { return newthread(1); });
// expect: newthread(1): error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("suspend in a thread", function() {  // expect: suspend in a thread: string first true x y
  local t = newthread(function() { local a = suspend("first"); local b = suspend(); return a + " " + b; });
  // a bare suspend() hands the waker the thread's `this`
  return t.call() + " " + (t.wakeup("x") == getroottable()) + " " + t.wakeup("y");
});

function named(param) {
  local inner = "value";
  local info = getstackinfos(1);
  local names = [];
  foreach (k, v in info.locals) names.append(k);
  names.sort();
  local out = info.func + " " + info.src + " " + info.line + " |";
  foreach (n in names) out += " " + n + "=" + (typeof info.locals[n] == "table" ? "table" : info.locals[n]);
  return out;
}
show("getstackinfos", function() { return named(5); });  // expect: getstackinfos: string named base_library.nut 122 | inner=value param=5 this=table
show("getstackinfos of a native", function() { local i = getstackinfos(0); return i.func + " " + i.src + " " + i.line + " " + i.locals.len(); });
// expect: getstackinfos of a native: string getstackinfos NATIVE -1 0
show("getstackinfos of an anonymous function", function() { return getstackinfos(1).func; });
// expect: getstackinfos of an anonymous function: string unknown
show("getstackinfos past the end", function() { return getstackinfos(1000); });  // expect: getstackinfos past the end: null (null : 0x(nil))
show("getstackinfos(-1)", function() { return getstackinfos(-1); });  // expect: getstackinfos(-1): null (null : 0x(nil))
show("getstackinfos('1')", function() { return getstackinfos("1"); });
// expect: getstackinfos('1'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'

// the error handler sees errors raised where no try is active in the same call
local handled = [];
seterrorhandler(function(e) { handled.append("handled " + e); });
show("seterrorhandler", function() { return (function() { throw "raised"; }).call(null); });  // expect: seterrorhandler: error raised
show("pcall skips the handler", function() { return (function() { throw "quiet"; }).pcall(null); });  // expect: pcall skips the handler: error quiet
seterrorhandler(null);
foreach (h in handled) print(h + "\n");  // expect: handled raised
show("seterrorhandler()", function() { return seterrorhandler(); });  // expect: seterrorhandler(): error wrong number of parameters

show("enabledebuginfo", function() { return enabledebuginfo(true); });  // expect: enabledebuginfo: null (null : 0x(nil))
enabledebuginfo(false);
local events = [];
setdebughook(function(type, src, line, func) { if (type != 'l') events.append(type.tochar() + " " + func); });
function traced() { return 1; }
traced();
setdebughook(null);
traced();
local evtext = "";
foreach (e in events) evtext += e + ", ";
print("debug hook: " + evtext + "\n");  // expect-escaped: debug hook: c traced, r traced,\x20
show("setdebughook()", function() { return setdebughook(); });  // expect: setdebughook(): error wrong number of parameters

show("version", function() { return typeof _version_ + " " + typeof _versionnumber_; });  // expect: version: string string integer
show("sizes", function() { return _charsize_ + " " + _intsize_ + " " + _floatsize_; });  // expect: sizes: string 1 4 4
