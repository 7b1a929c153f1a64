// A UTF-8 mark is skipped; UTF-16 files with either mark are read as UTF-8.
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
writefile(path, [0xEF, 0xBB, 0xBF], "return \"utf-8\";", "bytes");
print("utf-8 mark " + dofile(path) + "\n");  // expect: utf-8 mark utf-8
writefile(path, [0xFF, 0xFE], "return \"utf-16 le\";", "utf16le");
print("utf-16 le mark " + dofile(path) + "\n");  // expect: utf-16 le mark utf-16 le
writefile(path, [0xFE, 0xFF], "return \"utf-16 be\";", "utf16be");
print("utf-16 be mark " + dofile(path) + "\n");  // expect: utf-16 be mark utf-16 be

// U+00E9 in UTF-16 becomes the two UTF-8 bytes of the same letter.
local f = file(path, "wb");
foreach (byte in [0xFF, 0xFE, 0x72, 0, 0x65, 0, 0x74, 0, 0x75, 0, 0x72, 0, 0x6E, 0, 0x20, 0,
                  0x22, 0, 0xE9, 0, 0x22, 0, 0x3B, 0]) f.writen(byte, 'b');
f.close();
local accent = dofile(path);
print("utf-16 accent: " + accent.len() + " bytes " + (accent[0] & 0xFF) + " " + (accent[1] & 0xFF) + "\n");  // expect: utf-16 accent: 2 bytes 195 169
