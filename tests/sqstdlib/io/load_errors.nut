// A broken mark, an empty file, a compile error, missing files and bad arguments.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

// Writes the byte values of `prefix` and then `text`, each character widened as `encoding` says.
function writefile(path, prefix, text, encoding) {
    local f = file(path, "wb");
    foreach (byte in prefix) f.writen(byte, 'b');
    foreach (c in text) {
        local unit = c & 0xFF;
        if (encoding == "utf16le") { f.writen(unit, 'b'); f.writen(0, 'b'); }
        else if (encoding == "utf16be") { f.writen(0, 'b'); f.writen(unit, 'b'); }
        else f.writen(unit, 'b');
    }
    f.close();
}

local path = "sqstdlib_io_load.tmp";
writefile(path, [0xEF, 0xBB, 0x00], "return 1;", "bytes");
attempt("broken utf-8 mark", function() { return dofile(path); });  // expect: broken utf-8 mark: Unrecognized encoding
writefile(path, [], "", "bytes");
attempt("empty file", function() { return dofile(path); });  // expect: empty file: ok (null : 0x(nil))
writefile(path, [], "return 1 +;", "bytes");
try {
    loadfile(path);
    print("compile error: not raised\n");
} catch (e) {
    print("compile error: raised\n");  // expect: compile error: raised
}
remove(path);
attempt("dofile of a missing file", function() { return dofile(path); });  // expect: dofile of a missing file: cannot open the file
attempt("loadfile of a missing file", function() { return loadfile(path); });  // expect: loadfile of a missing file: cannot open the file
attempt("loadfile of a number", function() { return loadfile(12); });
// expect: loadfile of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
