// An uncaught error inside a standard-library call: the handlers report it on standard error and
// the runner exits with 0, as after any runtime error.
print("before\n");  // expect: before
local b = blob(2);
b.seek(10);
// stderr:
// stderr: AN ERROR HAS OCCURED [seek out of range]
// stderr:
// stderr: CALLSTACK
// stderr: *FUNCTION [main()] stdlib_error.nut line [5]
// stderr:
// stderr: LOCALS
// stderr: [b] INSTANCE
// stderr: [vargv] ARRAY
// stderr: [this] TABLE
print("not reached\n");
return 5;
