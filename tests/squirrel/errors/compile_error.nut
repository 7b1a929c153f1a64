local a = ;
// exit: 254
// expect: Error [expression expected]
// stderr: compile_error.nut line = (1) column = (12) : error expression expected
