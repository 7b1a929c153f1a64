// An uncaught runtime error: the handlers write the message, call stack and locals to standard
// error, and the script stops there.
local x = 5;
function f(a) {
    local s = "str";
    return a.nothing;
}
print("before\n");  // expect: before
f({});
// stderr:
// stderr: AN ERROR HAS OCCURED [the index 'nothing' does not exist]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [f()] uncaught.nut line [6]
// stderr: *FUNCTION [main()] uncaught.nut line [9]
// stderr:
// stderr: LOCALS
// stderr: [s] "str"
// stderr: [a] TABLE
// stderr: [this] TABLE
// stderr: [x] 5
// stderr: [vargv] ARRAY
// stderr: [this] TABLE
print("not reached\n");
