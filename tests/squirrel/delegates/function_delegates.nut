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

show("call", function() { return add.call(null, 1, 2); });  // expect: call: integer 3
show("call sets this", function() { return whoami.call(env); });  // expect: call sets this: string env
show("call without this", function() { return add.call(); });  // expect: call without this: error wrong number of parameters
show("call with too few", function() { return add.call(null, 1); });  // expect: call with too few: error wrong number of parameters
show("call with too many", function() { return add.call(null, 1, 2, 3); });  // expect: call with too many: error wrong number of parameters
show("call with defaults", function() { return withdefaults.call(null, 1); });  // expect: call with defaults: string 3c
show("call a variadic", function() { return variadic.call(null, 10, 1, 1); });  // expect: call a variadic: integer 12
show("call raises", function() { return add.call(null, 1, null); });  // expect: call raises: error arith op + on between 'integer' and 'null'
show("pcall", function() { return add.pcall(null, 3, 4); });  // expect: pcall: integer 7
show("pcall raises", function() { return add.pcall(null, {}, 1); });  // expect: pcall raises: error arith op + on between 'table' and 'integer'
show("acall", function() { return add.acall([null, 5, 6]); });  // expect: acall: integer 11
show("acall sets this", function() { return whoami.acall([env]); });  // expect: acall sets this: string env
show("acall of empty", function() { return add.acall([]); });  // expect: acall of empty: error wrong number of parameters
show("acall(1)", function() { return add.acall(1); });  // expect: acall(1): error parameter 1 has an invalid type 'integer' ; expected: 'array'
show("acall two arrays", function() { return add.acall([null, 1, 2], [1]); });  // expect: acall two arrays: error wrong number of parameters
show("pacall", function() { return add.pacall([null, "x", "y"]); });  // expect: pacall: string xy
show("pacall raises", function() { return add.pacall([null, 1]); });  // expect: pacall raises: error wrong number of parameters
show("native call", function() { return type.call(null, 1.5); });  // expect: native call: string float
show("native acall", function() { return type.acall([null, []]); });  // expect: native acall: string array
show("native pcall", function() { return type.pcall(null); });  // expect: native pcall: error wrong number of parameters

show("bindenv", function() { return whoami.bindenv(env)(); });  // expect: bindenv: string env
show("bindenv overrides this", function() { return whoami.bindenv(env).call({ name = "other" }); });  // expect: bindenv overrides this: string env
show("bindenv class", function() { local C = class { static name = "class" }; return whoami.bindenv(C)(); });  // expect: bindenv class: string class
show("bindenv(1)", function() { return whoami.bindenv(1); });
// expect: bindenv(1): error parameter 1 has an invalid type 'integer' ; expected: 'table|class|instance'
show("bindenv(null)", function() { return whoami.bindenv(null); });
// expect: bindenv(null): error parameter 1 has an invalid type 'null' ; expected: 'table|class|instance'
show("bindenv copies", function() { local b = whoami.bindenv(env); return (b == whoami) + " " + typeof b; });
// expect: bindenv copies: string false function
show("native bindenv", function() { return typeof type.bindenv(env); });  // expect: native bindenv: string function

local info = withdefaults.getinfos();
show("getinfos.native", function() { return info.native; });  // expect: getinfos.native: bool false
show("getinfos.name", function() { return info.name; });  // expect: getinfos.name: string withdefaults
show("getinfos.src", function() { return info.src; });  // expect: getinfos.src: string function_delegates.nut
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

// generators
function counter(n) { for (local i = 0; i < n; i++) yield i; return "done"; }
local g = counter(2);
show("generator type", function() { return typeof g; });  // expect: generator type: string generator
show("fresh", function() { return g.getstatus(); });  // expect: fresh: string suspended
show("resume 1", function() { return resume g; });  // expect: resume 1: integer 0
show("after resume", function() { return g.getstatus(); });  // expect: after resume: string suspended
show("resume 2", function() { return resume g; });  // expect: resume 2: integer 1
show("resume 3", function() { return resume g; });  // expect: resume 3: string done
show("finished", function() { return g.getstatus(); });  // expect: finished: string dead
show("resume dead", function() { return resume g; });  // expect: resume dead: error resuming dead generator
local self = null;
self = (function() { yield self.getstatus(); })();
show("status seen from inside", function() { return resume self; });  // expect: status seen from inside: string running
show("getstatus with an argument", function() { return g.getstatus(1); });  // expect: getstatus with an argument: error wrong number of parameters

// threads
local th = newthread(function(a, b) {
  local got = suspend(a + b);
  local more = suspend(got * 2);
  return "finished " + more;
});
show("thread type", function() { return typeof th; });  // expect: thread type: string thread
show("idle", function() { return th.getstatus(); });  // expect: idle: string idle
show("wakeup idle", function() { return th.wakeup(); });  // expect: wakeup idle: error cannot wakeup a idle thread
show("call", function() { return th.call(1, 2); });  // expect: call: integer 3
show("suspended", function() { return th.getstatus(); });  // expect: suspended: string suspended
show("call suspended", function() { return th.call(1, 2); });  // expect: call suspended: error cannot call a running thread
show("wakeup", function() { return th.wakeup(10); });  // expect: wakeup: integer 20
show("still suspended", function() { return th.getstatus(); });  // expect: still suspended: string suspended
show("wakeup again", function() { return th.wakeup("end"); });  // expect: wakeup again: string finished end
show("idle again", function() { return th.getstatus(); });  // expect: idle again: string idle
show("call again", function() { return th.call(3, 4); });  // expect: call again: integer 7
show("wakeup without a value", function() { return th.wakeup(); });
// expect: wakeup without a value: error arith op * on between 'null' and 'integer'
show("wakeup to the end", function() { return th.wakeup(); });  // expect: wakeup to the end: error cannot wakeup a idle thread
local failing = newthread(function() { suspend(1); throw "thread error"; });
show("failing call", function() { return failing.call(); });  // expect: failing call: integer 1
show("failing wakeup", function() { return failing.wakeup(); });  // expect: failing wakeup: error thread error
show("failing status", function() { return failing.getstatus(); });  // expect: failing status: string idle
local running = null;
running = newthread(function() { return running.getstatus(); });
show("status seen from inside", function() { return running.call(); });  // expect: status seen from inside: string running
local nested = null;
nested = newthread(function() { return nested.wakeup(); });
show("wakeup a running thread", function() { return nested.call(); });  // expect: wakeup a running thread: error cannot wakeup a running thread
show("native thread", function() { return newthread(type).call(1); });  // expect: native thread: string integer
show("newthread(1)", function() { return newthread(1); });
// expect: newthread(1): error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("newthread()", function() { return newthread(); });  // expect: newthread(): error wrong number of parameters
local deep = newthread(function() { local x = 1; suspend(); });
deep.call();
local si = deep.getstackinfos(0);
show("getstackinfos.func", function() { return si.func; });  // expect: getstackinfos.func: string unknown
show("getstackinfos.src", function() { return si.src; });  // expect: getstackinfos.src: string function_delegates.nut
show("getstackinfos.line", function() { return si.line; });  // expect: getstackinfos.line: integer 124
show("getstackinfos past the end", function() { return deep.getstackinfos(5); });  // expect: getstackinfos past the end: null (null : 0x(nil))
show("getstackinfos('a')", function() { return deep.getstackinfos("a"); });
// expect: getstackinfos('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
// stderr:
// stderr: AN ERROR HAS OCCURED [arith op + on between 'integer' and 'null']
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [add()] function_delegates.nut line [11]
// stderr: *FUNCTION [call()] NATIVE line [-1]
// stderr: *FUNCTION [unknown()] function_delegates.nut line [24]
// stderr: *FUNCTION [show()] function_delegates.nut line [4]
// stderr: *FUNCTION [main()] function_delegates.nut line [24]
// stderr:
// stderr: LOCALS
// stderr: [b] NULL
// stderr: [a] 1
// stderr: [this] NULL
// stderr: [this] TABLE
// stderr: [f] CLOSURE
// stderr: [label] "call raises"
// stderr: [this] TABLE
// stderr: [env] TABLE
// stderr: [vargv] ARRAY
// stderr: [this] TABLE
// stderr:
// stderr: AN ERROR HAS OCCURED [arith op * on between 'null' and 'integer']
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] function_delegates.nut line [93]
// stderr:
// stderr: LOCALS
// stderr: [got] NULL
// stderr: [b] 4
// stderr: [a] 3
// stderr: [this] TABLE
// stderr:
// stderr: AN ERROR HAS OCCURED [thread error]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] function_delegates.nut line [110]
// stderr:
// stderr: LOCALS
// stderr: [this] TABLE
// stderr:
// stderr: AN ERROR HAS OCCURED [cannot wakeup a running thread]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] function_delegates.nut line [118]
// stderr:
// stderr: LOCALS
// stderr: [nested] THREAD
// stderr: [this] TABLE
