// The thread delegate: call, wakeup and getstatus through a thread's life, and their errors.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

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
// stderr:
// stderr: AN ERROR HAS OCCURED [arith op * on between 'null' and 'integer']
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] thread.nut line [13]
// stderr:
// stderr: LOCALS
// stderr: [got] NULL
// stderr: [b] 4
// stderr: [a] 3
// stderr: [this] TABLE
show("wakeup to the end", function() { return th.wakeup(); });  // expect: wakeup to the end: error cannot wakeup a idle thread
local failing = newthread(function() { suspend(1); throw "thread error"; });
show("failing call", function() { return failing.call(); });  // expect: failing call: integer 1
show("failing wakeup", function() { return failing.wakeup(); });  // expect: failing wakeup: error thread error
// stderr:
// stderr: AN ERROR HAS OCCURED [thread error]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] thread.nut line [41]
// stderr:
// stderr: LOCALS
// stderr: [this] TABLE
show("failing status", function() { return failing.getstatus(); });  // expect: failing status: string idle
local running = null;
running = newthread(function() { return running.getstatus(); });
show("status seen from inside", function() { return running.call(); });  // expect: status seen from inside: string running
local nested = null;
nested = newthread(function() { return nested.wakeup(); });
show("wakeup a running thread", function() { return nested.call(); });  // expect: wakeup a running thread: error cannot wakeup a running thread
// stderr:
// stderr: AN ERROR HAS OCCURED [cannot wakeup a running thread]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] thread.nut line [57]
// stderr:
// stderr: LOCALS
// stderr: [nested] THREAD
// stderr: [this] TABLE
show("native thread", function() { return newthread(type).call(1); });  // expect: native thread: string integer
show("newthread(1)", function() { return newthread(1); });
// expect: newthread(1): error parameter 1 has an invalid type 'integer' ; expected: 'function|function'
show("newthread()", function() { return newthread(); });  // expect: newthread(): error wrong number of parameters
