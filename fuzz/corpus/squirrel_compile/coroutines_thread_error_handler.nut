// An error that ends a thread's run reaches the error handler once, then the caller; an error
// caught by a try where it was raised reaches no handler.
seterrorhandler(function(e) { print("handler: " + e + "\n"); });
local failing = newthread(function(a) { throw "boom " + a; });
try { failing.call(1); } catch (e) print("caught: " + e + "\n");
// expect: handler: boom 1
// expect: caught: boom 1
print(failing.getstatus() + "\n"); // expect: idle

local later = newthread(function() { suspend("paused"); throw "after wakeup"; });
print(later.call() + "\n"); // expect: paused
try { later.wakeup(); } catch (e) print("caught: " + e + "\n");
// expect: handler: after wakeup
// expect: caught: after wakeup

local inner = newthread(function() {
    try { throw "inside"; } catch (e) print("caught inside: " + e + "\n");
    return "finished";
});
print(inner.call() + "\n");
// expect: caught inside: inside
// expect: finished

local deeper = newthread(function() { local f = function() { throw "deep"; }; return f(); });
try { deeper.call(); } catch (e) print("caught: " + e + "\n");
// expect: handler: deep
// expect: caught: deep

local native = newthread(function() { return [1, 2].map(function(v) { throw "in a callback"; }); });
try { native.call(); } catch (e) print("caught: " + e + "\n");
// expect: handler: in a callback
// expect: caught: in a callback

try { throw "in main"; } catch (e) print("caught: " + e + "\n"); // expect: caught: in main
local plain = function() { throw "in a call"; };
try { plain(); } catch (e) print("caught: " + e + "\n"); // expect: caught: in a call
