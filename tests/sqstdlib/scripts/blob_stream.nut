// Writing and reading every number format, seeking, indexing, iterating, cloning and swapping.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

local b = blob();
print("empty: len " + b.len() + " tell " + b.tell() + " eos " + b.eos() + " " + typeof b + "\n");
b.writen(0x01020304, 'i');
b.writen(-2, 's');
b.writen(65535, 'w');
b.writen(-1, 'c');
b.writen(200, 'b');
b.writen(1.5, 'f');
b.writen(2.25, 'd');
b.writen(7, 'l');
print("written: len " + b.len() + " tell " + b.tell() + "\n");
b.seek(0);
print(b.readn('i') + " " + b.readn('s') + " " + b.readn('w') + " " + b.readn('c') + " " + b.readn('b') + "\n");
print(b.readn('f') + " " + b.readn('d') + " " + b.readn('l') + "\n");
print("at end: eos " + b.eos() + "\n");
print("little endian: " + b[0] + " " + b[1] + " " + b[2] + " " + b[3] + "\n");
b[0] = 0x105;
print("byte store keeps the low byte: " + b[0] + "\n");
print("float index: " + b[1.7] + "\n");
b.seek(-2, 'e');
print("seek end -2: " + b.tell() + "\n");
b.seek(1, 'c');
print("seek cur +1: " + b.tell() + "\n");
b.seek(3, 'b');
print("seek begin 3: " + b.tell() + " eos " + b.eos() + "\n");
b.seek(0, 'e');
print("seek end 0: " + b.tell() + "\n");

// Writing inside the blob overwrites; writing past the end grows it.
local g = blob(2);
g.writen(0x0A0B0C0D, 'i');
print("grown: " + g.len() + " [" + bytes(g) + "]\n");
g.seek(1);
g.writen(0xFF, 'b');
print("overwritten: " + g.len() + " [" + bytes(g) + "]\n");

local c = blob();
foreach (v in [10, 20, 30]) c.writen(v, 'b');
print("foreach: [" + bytes(c) + "]\n");
local visits = 0;
foreach (i, v in blob()) visits++;
print("foreach over an empty blob: " + visits + "\n");

local d = clone c;
d[0] = 99;
print("clone: " + c[0] + " " + d[0] + " " + d.len() + " " + typeof d + "\n");

c.seek(0);
local part = c.readblob(2);
print("readblob: " + typeof part + " " + part.len() + " [" + bytes(part) + "] tell " + c.tell() + "\n");
local rest = c.readblob(100);
print("readblob past the end: " + rest.len() + " [" + bytes(rest) + "]\n");
local e = blob();
print("writeblob: " + e.writeblob(c) + " " + e.len() + " [" + bytes(e) + "]\n");

local r = blob(4);
r[3] = 9;
r.resize(2);
print("resize smaller: " + r.len() + " [" + bytes(r) + "]\n");
r.resize(8);
print("resize larger keeps the length: " + r.len() + "\n");
r.seek(2);
r.writen(5, 'b');
print("then writes grow it: " + r.len() + " [" + bytes(r) + "]\n");

local s = blob();
s.writen(0x0102, 'w');
s.writen(0x03040506, 'i');
print("before swaps: [" + bytes(s) + "]\n");
s.swap2();
print("swap2: [" + bytes(s) + "]\n");
s.swap4();
print("swap4: [" + bytes(s) + "]\n");

print("flush: " + s.flush() + "\n");
print("swap2(0x0102) " + swap2(0x0102) + " swap2(0x12345678) " + swap2(0x12345678) + "\n");
print("swap4(0x01020304) " + swap4(0x01020304) + " swap4 twice " + swap4(swap4(-5)) + "\n");
print("castf2i(1.0) " + castf2i(1.0) + " casti2f(0x40490fdb) " + casti2f(0x40490fdb) + "\n");
print("swapfloat twice " + swapfloat(swapfloat(2.5)) + " castf2i(swapfloat(1.0)) " + castf2i(swapfloat(1.0)) + "\n");
