// An error after a suspend reaches the waker; the handlers report it, and the thread is idle again.
local failing = newthread(function() { suspend(1); throw "thread error"; });
failing.call();
try { failing.wakeup(); } catch (e) { print("caught " + e + " " + failing.getstatus() + "\n"); }  // expect: caught thread error idle
// stderr:
// stderr: AN ERROR HAS OCCURED [thread error]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [unknown()] thread_error.nut line [2]
// stderr:
// stderr: LOCALS
// stderr: [this] TABLE
