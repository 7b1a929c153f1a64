// rename and remove, also of missing files.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

local a = "sqstdlib_system_a.tmp";
local b = "sqstdlib_system_b.tmp";
file(a, "w").close();
rename(a, b);
attempt("open the old name", function() { return file(a, "r"); });  // expect: open the old name: cannot open file
print("open the new name: " + typeof file(b, "r") + "\n");  // expect: open the new name: file
remove(b);
attempt("rename a missing file", function() { return rename(a, b); });  // expect: rename a missing file: rename() failed
attempt("remove a missing file", function() { return remove(b); });  // expect: remove a missing file: remove() failed
