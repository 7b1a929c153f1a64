// A compile error: the runner prints it as "Error [...]" and exits with -2; the handler writes where it is.
local a = ;
// exit: 254
// expect: Error [expression expected]
// stderr: compile_error.nut line = (2) column = (12) : error expression expected
