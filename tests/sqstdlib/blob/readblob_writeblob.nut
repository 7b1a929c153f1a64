// readblob takes what is left; writeblob appends a whole blob.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

local c = blob();
foreach (v in [10, 20, 30]) c.writen(v, 'b');
c.seek(0);
local part = c.readblob(2);
print("readblob: " + typeof part + " " + part.len() + " [" + bytes(part) + "] tell " + c.tell() + "\n");  // expect: readblob: blob 2 [10 20] tell 2
local rest = c.readblob(100);
print("readblob past the end: " + rest.len() + " [" + bytes(rest) + "]\n");  // expect: readblob past the end: 1 [30]
local e = blob();
print("writeblob: " + e.writeblob(c) + " " + e.len() + " [" + bytes(e) + "]\n");  // expect: writeblob: 3 3 [10 20 30]
