// Default delegates of closures, native closures, generators and threads.
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

show("call", function() { return add.call(null, 1, 2); });
show("call sets this", function() { return whoami.call(env); });
show("call without this", function() { return add.call(); });
show("call with too few", function() { return add.call(null, 1); });
show("call with too many", function() { return add.call(null, 1, 2, 3); });
show("call with defaults", function() { return withdefaults.call(null, 1); });
show("call a variadic", function() { return variadic.call(null, 10, 1, 1); });
show("call raises", function() { return add.call(null, 1, null); });
show("pcall", function() { return add.pcall(null, 3, 4); });
show("pcall raises", function() { return add.pcall(null, {}, 1); });
show("acall", function() { return add.acall([null, 5, 6]); });
show("acall sets this", function() { return whoami.acall([env]); });
show("acall of empty", function() { return add.acall([]); });
show("acall(1)", function() { return add.acall(1); });
show("acall two arrays", function() { return add.acall([null, 1, 2], [1]); });
show("pacall", function() { return add.pacall([null, "x", "y"]); });
show("pacall raises", function() { return add.pacall([null, 1]); });
show("native call", function() { return type.call(null, 1.5); });
show("native acall", function() { return type.acall([null, []]); });
show("native pcall", function() { return type.pcall(null); });

show("bindenv", function() { return whoami.bindenv(env)(); });
show("bindenv overrides this", function() { return whoami.bindenv(env).call({ name = "other" }); });
show("bindenv class", function() { local C = class { static name = "class" }; return whoami.bindenv(C)(); });
show("bindenv(1)", function() { return whoami.bindenv(1); });
show("bindenv(null)", function() { return whoami.bindenv(null); });
show("bindenv copies", function() { local b = whoami.bindenv(env); return (b == whoami) + " " + typeof b; });
show("native bindenv", function() { return typeof type.bindenv(env); });

local info = withdefaults.getinfos();
show("getinfos.native", function() { return info.native; });
show("getinfos.name", function() { return info.name; });
show("getinfos.src", function() { return info.src; });
show("getinfos.parameters", function() { local o = ""; foreach (p in info.parameters) o += p + " "; return o; });
show("getinfos.varargs", function() { return info.varargs; });
show("getinfos.defparams", function() { local o = ""; foreach (p in info.defparams) o += p + " "; return o; });
show("variadic parameters", function() { local o = ""; foreach (p in variadic.getinfos().parameters) o += p + " "; return o; });
show("variadic varargs", function() { return variadic.getinfos().varargs; });
show("anonymous name", function() { return (function() {}).getinfos().name; });
show("getinfos slots", function() { return info.len(); });
local ninfo = "".slice.getinfos();
show("native getinfos.native", function() { return ninfo.native; });
show("native getinfos.name", function() { return ninfo.name; });
show("native getinfos.paramscheck", function() { return ninfo.paramscheck; });
show("native getinfos.typecheck", function() { local o = ""; foreach (p in ninfo.typecheck) o += p + " "; return o; });
show("native getinfos slots", function() { return ninfo.len(); });
show("print getinfos.typecheck", function() { return print.getinfos().typecheck; });
show("print getinfos.paramscheck", function() { return print.getinfos().paramscheck; });
show("weakref of a closure", function() { return add.weakref().ref() == add; });

// generators
function counter(n) { for (local i = 0; i < n; i++) yield i; return "done"; }
local g = counter(2);
show("generator type", function() { return typeof g; });
show("fresh", function() { return g.getstatus(); });
show("resume 1", function() { return resume g; });
show("after resume", function() { return g.getstatus(); });
show("resume 2", function() { return resume g; });
show("resume 3", function() { return resume g; });
show("finished", function() { return g.getstatus(); });
show("resume dead", function() { return resume g; });
local self = null;
self = (function() { yield self.getstatus(); })();
show("status seen from inside", function() { return resume self; });
show("getstatus with an argument", function() { return g.getstatus(1); });

// threads
local th = newthread(function(a, b) {
  local got = suspend(a + b);
  local more = suspend(got * 2);
  return "finished " + more;
});
show("thread type", function() { return typeof th; });
show("idle", function() { return th.getstatus(); });
show("wakeup idle", function() { return th.wakeup(); });
show("call", function() { return th.call(1, 2); });
show("suspended", function() { return th.getstatus(); });
show("call suspended", function() { return th.call(1, 2); });
show("wakeup", function() { return th.wakeup(10); });
show("still suspended", function() { return th.getstatus(); });
show("wakeup again", function() { return th.wakeup("end"); });
show("idle again", function() { return th.getstatus(); });
show("call again", function() { return th.call(3, 4); });
show("wakeup without a value", function() { return th.wakeup(); });
show("wakeup to the end", function() { return th.wakeup(); });
local failing = newthread(function() { suspend(1); throw "thread error"; });
show("failing call", function() { return failing.call(); });
show("failing wakeup", function() { return failing.wakeup(); });
show("failing status", function() { return failing.getstatus(); });
local running = null;
running = newthread(function() { return running.getstatus(); });
show("status seen from inside", function() { return running.call(); });
local nested = null;
nested = newthread(function() { return nested.wakeup(); });
show("wakeup a running thread", function() { return nested.call(); });
show("native thread", function() { return newthread(type).call(1); });
show("newthread(1)", function() { return newthread(1); });
show("newthread()", function() { return newthread(); });
local deep = newthread(function() { local x = 1; suspend(); });
deep.call();
local si = deep.getstackinfos(0);
show("getstackinfos.func", function() { return si.func; });
show("getstackinfos.src", function() { return si.src; });
show("getstackinfos.line", function() { return si.line; });
show("getstackinfos past the end", function() { return deep.getstackinfos(5); });
show("getstackinfos('a')", function() { return deep.getstackinfos("a"); });
