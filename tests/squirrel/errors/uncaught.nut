local x = 5;
function f(a) {
    local s = "str";
    return a.nothing;
}
print("before\n");  // expect: before
f({});
print("not reached\n");
// stderr:
// stderr: AN ERROR HAS OCCURED [the index 'nothing' does not exist]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [f()] uncaught.nut line [4]
// stderr: *FUNCTION [main()] uncaught.nut line [7]
// stderr:
// stderr: LOCALS
// stderr: [s] "str"
// stderr: [a] TABLE
// stderr: [this] TABLE
// stderr: [x] 5
// stderr: [vargv] ARRAY
// stderr: [this] TABLE
