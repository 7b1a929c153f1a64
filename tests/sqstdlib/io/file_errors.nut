// Opening missing files and bad arguments; remove of a missing file.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

local name = "sqstdlib_io_file.tmp";
local f = file(name, "wb+");
f.close();
attempt("open a missing file", function() { return file("sqstdlib_no_such_dir/x.txt", "r"); });  // expect: open a missing file: cannot open file
attempt("file with one argument", function() { return file(name); });  // expect: file with one argument: wrong number of parameters
attempt("file of numbers", function() { return file(1, 2); });  // expect: file of numbers: wrong parameter
remove(name);
attempt("remove twice", function() { return remove(name); });  // expect: remove twice: remove() failed
