// The file class: written numbers and blobs read back, seeks from each origin, a write after a read, close twice; reopened to read, reads past the end and writes fail.
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
print(typeof f + " " + (f instanceof file) + " " + (f instanceof stream) + "\n");  // expect: file true true
f.writen(1234, 'i');
f.writen(0.5, 'f');
local b = blob();
b.writen(0x41, 'b');
b.writen(0x42, 'b');
print("writeblob " + f.writeblob(b) + "\n");  // expect: writeblob 2
print("len " + f.len() + " tell " + f.tell() + " eos " + f.eos() + "\n");  // expect: len 10 tell 10 eos 1
f.seek(0);
print("eos at the start " + f.eos() + "\n");  // expect: eos at the start (null : 0x(nil))
print(f.readn('i') + " " + f.readn('f') + "\n");  // expect: 1234 0.5
local rb = f.readblob(10);
print("readblob " + rb.len() + " " + rb[0] + " " + rb[1] + " eos " + f.eos() + "\n");  // expect: readblob 2 65 66 eos 1
f.seek(-2, 'e');
print("seek end -2: " + f.tell() + "\n");  // expect: seek end -2: 8
f.seek(-4, 'c');
print("seek cur -4: " + f.tell() + "\n");  // expect: seek cur -4: 4
// A write right after a read must land where the read stopped.
print("read " + f.readn('b') + "\n");  // expect: read 0
f.writen(0x7A, 'b');
f.seek(0, 'e');
f.writen(0x43, 'b');
print("flush " + f.flush() + " len " + f.len() + "\n");  // expect: flush 1 len 11
f.close();
f.close();
attempt("tell after close", function() { return f.tell(); });  // expect: tell after close: the stream is invalid

local g = file(name, "rb");
g.seek(4);
print("bytes after the float: " + g.readn('b') + " " + g.readn('b') + " " + g.readn('b') + " " + g.readn('b') + " " + g.readn('b') + "\n");
// expect: bytes after the float: 0 122 0 63 65
attempt("readn at the end", function() { return g.readn('i'); });  // expect: readn at the end: io error
attempt("readblob at the end", function() { return g.readblob(4); });  // expect: readblob at the end: no data left to read
attempt("write to a read-only file", function() { return g.writen(1, 'b'); });  // expect: write to a read-only file: io error
g = null;
remove(name);
