// dofile and loadfile of plain text, with `this` from the call.
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
writefile(path, [], "return 6 * 7;", "bytes");
print("dofile " + dofile(path) + "\n");  // expect: dofile 42
local loaded = loadfile(path);
print("loadfile " + typeof loaded + " " + loaded() + "\n");  // expect: loadfile function 42

writefile(path, [], "return this.tag;", "bytes");
print("dofile this " + dofile.call({tag = "from this"}, path) + "\n");  // expect: dofile this from this
