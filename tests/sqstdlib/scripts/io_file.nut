// The file class: writing, reading back, seeking, closing, the standard files and errors.
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
print(typeof f + " " + (f instanceof file) + " " + (f instanceof stream) + "\n");
f.writen(1234, 'i');
f.writen(0.5, 'f');
local b = blob();
b.writen(0x41, 'b');
b.writen(0x42, 'b');
print("writeblob " + f.writeblob(b) + "\n");
print("len " + f.len() + " tell " + f.tell() + " eos " + f.eos() + "\n");
f.seek(0);
print("eos at the start " + f.eos() + "\n");
print(f.readn('i') + " " + f.readn('f') + "\n");
local rb = f.readblob(10);
print("readblob " + rb.len() + " " + rb[0] + " " + rb[1] + " eos " + f.eos() + "\n");
f.seek(-2, 'e');
print("seek end -2: " + f.tell() + "\n");
f.seek(-4, 'c');
print("seek cur -4: " + f.tell() + "\n");
// A write right after a read must land where the read stopped.
print("read " + f.readn('b') + "\n");
f.writen(0x7A, 'b');
f.seek(0, 'e');
f.writen(0x43, 'b');
print("flush " + f.flush() + " len " + f.len() + "\n");
f.close();
f.close();
attempt("tell after close", function() { return f.tell(); });

local g = file(name, "rb");
g.seek(4);
print("bytes after the float: " + g.readn('b') + " " + g.readn('b') + " " + g.readn('b') + " " + g.readn('b') + " " + g.readn('b') + "\n");
attempt("readn at the end", function() { return g.readn('i'); });
attempt("readblob at the end", function() { return g.readblob(4); });
attempt("write to a read-only file", function() { return g.writen(1, 'b'); });
g = null;

attempt("open a missing file", function() { return file("sqstdlib_no_such_dir/x.txt", "r"); });
attempt("file with one argument", function() { return file(name); });
attempt("file of numbers", function() { return file(1, 2); });
remove(name);
attempt("remove twice", function() { return remove(name); });

print(typeof stdout + " " + typeof stdin + " " + typeof stderr + " " + (stderr instanceof file) + "\n");
