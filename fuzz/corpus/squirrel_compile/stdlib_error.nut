// An uncaught error inside a standard-library call: the handlers report it on standard error and
// the runner exits with 0, as after any runtime error.
print("before\n");
local b = blob(2);
b.seek(10);
print("not reached\n");
return 5;
