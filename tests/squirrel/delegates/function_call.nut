// call, pcall, acall and pacall of closures and natives: `this`, argument counts, errors.
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
// stderr:
// stderr: AN ERROR HAS OCCURED [arith op + on between 'integer' and 'null']
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [add()] function_call.nut line [11]
// stderr: *FUNCTION [call()] NATIVE line [-1]
// stderr: *FUNCTION [unknown()] function_call.nut line [23]
// stderr: *FUNCTION [show()] function_call.nut line [4]
// stderr: *FUNCTION [main()] function_call.nut line [23]
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
