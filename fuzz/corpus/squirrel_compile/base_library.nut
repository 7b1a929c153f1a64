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
print(12); print(" "); print(-1.5); print(" "); print(true); print(" "); print("text"); print("\n");
print("stops at a zero byte\x00hidden"); print("\n");
show("print returns", function() { return print(""); });
show("print()", function() { return print(); });
show("print(1, 2)", function() { return print(1, 2); });
show("print of _tostring", function() { print(class { function _tostring() { return "custom\n"; } }()); return null; });
show("print of a failing _tostring", function() { return print(class { function _tostring() { throw "tostring failed"; } }()); });
// error writes to the error stream; an empty text keeps that stream quiet here
show("error returns", function() { return error(""); });
show("error()", function() { return error(); });

show("assert(true)", function() { return assert(true); });
show("assert('')", function() { return assert(""); });
show("assert(false)", function() { return assert(false); });
show("assert(0)", function() { return assert(0); });
show("assert(null)", function() { return assert(null); });
show("assert(0.0)", function() { return assert(0.0); });
show("assert()", function() { return assert(); });

show("type", function() {
  local out = "";
  foreach (v in [null, 1, 1.5, true, "s", {}, [], print, show, (function() { yield 1; })(), newthread(print),
                 class {}, (class { function _typeof() { return "custom"; } })()])
    out += type(v) + " ";
  local wr = getroottable().weakref();
  return out + type(wr);
});
show("type()", function() { return type(); });
show("type(1, 2)", function() { return type(1, 2); });

show("array(3)", function() { local a = array(3); return a.len() + " " + a[0] + " " + a[2]; });
show("array(2, 'x')", function() { local a = array(2, "x"); return a[0] + a[1]; });
show("array(0)", function() { return array(0).len(); });
show("array(2.9)", function() { return array(2.9).len(); });
show("array shares the fill", function() { local a = array(2, []); a[0].append(1); return a[1].len(); });
show("array(-1)", function() { return array(-1); });
show("array(-1, 0)", function() { return array(-1, 0); });
show("array('3')", function() { return array("3"); });
show("array()", function() { return array(); });

show("compilestring", function() { return compilestring("return 6 * 7;")(); });
show("compilestring arguments", function() { return compilestring("return vargv.len() + \" \" + vargv[1];")(null, "a", "b"); });
show("compilestring this", function() { return compilestring("return this.v;").call({ v = "this" }); });
show("compilestring name", function() { return compilestring("return 1").getinfos().name; });
show("compilestring default source", function() { return compilestring("return 1").getinfos().src; });
show("compilestring source", function() { return compilestring("return 1", "chunk").getinfos().src; });
show("compilestring empty", function() { return compilestring("")(); });
show("compilestring syntax error", function() { return compilestring("local = 1"); });
show("compilestring unclosed", function() { return compilestring("function f() {", "unclosed"); });
show("compilestring(1)", function() { return compilestring(1); });
show("compilestring('', 1)", function() { return compilestring("", 1); });
show("compilestring runtime error", function() { return compilestring("return nothing;")(); });

show("getroottable", function() { return (getroottable() == ::getroottable()) + " " + (getroottable().print == print); });
show("setroottable", function() {
  local out = print;
  local old = getroottable();
  local prev = setroottable({ marker = "fresh root" });
  local seen = ::marker;
  local back = setroottable(old);
  return (prev == old) + " " + seen + " " + (back.marker) + " " + (getroottable() == old);
});
show("setroottable(1)", function() { return setroottable(1); });
show("setroottable()", function() { return setroottable(); });

const LIMIT = 10;
show("getconsttable", function() { return getconsttable().LIMIT; });
show("setconsttable", function() {
  local old = getconsttable();
  local prev = setconsttable({ K = "from the new table" });
  local f = compilestring("return K;");
  local back = setconsttable(old);
  return (prev == old) + " " + f() + " " + back.K;
});
show("setconsttable(null)", function() { return setconsttable(null); });
show("setconsttable([])", function() { return setconsttable([]); });

show("collectgarbage", function() { return typeof collectgarbage(); });
show("collectgarbage frees a cycle", function() {
  local w = null;
  (function() { local t = {}; t.me <- t; w = t.weakref(); })();
  local before = w.ref() != null;
  collectgarbage();
  return before + " " + w.ref();
});

show("newthread", function() { return typeof newthread(function() {}); });
show("newthread(1)", function() { return newthread(1); });
show("suspend in a thread", function() {
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
show("getstackinfos", function() { return named(5); });
show("getstackinfos of a native", function() { local i = getstackinfos(0); return i.func + " " + i.src + " " + i.line + " " + i.locals.len(); });
show("getstackinfos of an anonymous function", function() { return getstackinfos(1).func; });
show("getstackinfos past the end", function() { return getstackinfos(1000); });
show("getstackinfos(-1)", function() { return getstackinfos(-1); });
show("getstackinfos('1')", function() { return getstackinfos("1"); });

// the error handler sees errors raised where no try is active in the same call
local handled = [];
seterrorhandler(function(e) { handled.append("handled " + e); });
show("seterrorhandler", function() { return (function() { throw "raised"; }).call(null); });
show("pcall skips the handler", function() { return (function() { throw "quiet"; }).pcall(null); });
seterrorhandler(null);
foreach (h in handled) print(h + "\n");
show("seterrorhandler()", function() { return seterrorhandler(); });

show("enabledebuginfo", function() { return enabledebuginfo(true); });
enabledebuginfo(false);
local events = [];
setdebughook(function(type, src, line, func) { if (type != 'l') events.append(type.tochar() + " " + func); });
function traced() { return 1; }
traced();
setdebughook(null);
traced();
local evtext = "";
foreach (e in events) evtext += e + ", ";
print("debug hook: " + evtext + "\n");
show("setdebughook()", function() { return setdebughook(); });

show("version", function() { return typeof _version_ + " " + typeof _versionnumber_; });
show("sizes", function() { return _charsize_ + " " + _intsize_ + " " + _floatsize_; });
