// Writing and reading every number format, seeking, indexing, iterating, cloning and swapping.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

local b = blob();
print("empty: len " + b.len() + " tell " + b.tell() + " eos " + b.eos() + " " + typeof b + "\n");  // expect: empty: len 0 tell 0 eos 1 blob
b.writen(0x01020304, 'i');
b.writen(-2, 's');
b.writen(65535, 'w');
b.writen(-1, 'c');
b.writen(200, 'b');
b.writen(1.5, 'f');
b.writen(2.25, 'd');
b.writen(7, 'l');
print("written: len " + b.len() + " tell " + b.tell() + "\n");  // expect: written: len 26 tell 26
b.seek(0);
print(b.readn('i') + " " + b.readn('s') + " " + b.readn('w') + " " + b.readn('c') + " " + b.readn('b') + "\n");  // expect: 16909060 -2 65535 -1 200
print(b.readn('f') + " " + b.readn('d') + " " + b.readn('l') + "\n");  // expect: 1.5 2.25 7
print("at end: eos " + b.eos() + "\n");  // expect: at end: eos 1
print("little endian: " + b[0] + " " + b[1] + " " + b[2] + " " + b[3] + "\n");  // expect: little endian: 4 3 2 1
b[0] = 0x105;
print("byte store keeps the low byte: " + b[0] + "\n");  // expect: byte store keeps the low byte: 5
print("float index: " + b[1.7] + "\n");  // expect: float index: 3
b.seek(-2, 'e');
print("seek end -2: " + b.tell() + "\n");  // expect: seek end -2: 24
b.seek(1, 'c');
print("seek cur +1: " + b.tell() + "\n");  // expect: seek cur +1: 25
b.seek(3, 'b');
print("seek begin 3: " + b.tell() + " eos " + b.eos() + "\n");  // expect: seek begin 3: 3 eos (null : 0x(nil))
b.seek(0, 'e');
print("seek end 0: " + b.tell() + "\n");  // expect: seek end 0: 26

// Writing inside the blob overwrites; writing past the end grows it.
local g = blob(2);
g.writen(0x0A0B0C0D, 'i');
print("grown: " + g.len() + " [" + bytes(g) + "]\n");  // expect: grown: 4 [13 12 11 10]
g.seek(1);
g.writen(0xFF, 'b');
print("overwritten: " + g.len() + " [" + bytes(g) + "]\n");  // expect: overwritten: 4 [13 255 11 10]

local c = blob();
foreach (v in [10, 20, 30]) c.writen(v, 'b');
print("foreach: [" + bytes(c) + "]\n");  // expect: foreach: [10 20 30]
local visits = 0;
foreach (i, v in blob()) visits++;
print("foreach over an empty blob: " + visits + "\n");  // expect: foreach over an empty blob: 0

local d = clone c;
d[0] = 99;
print("clone: " + c[0] + " " + d[0] + " " + d.len() + " " + typeof d + "\n");  // expect: clone: 10 99 3 blob

c.seek(0);
local part = c.readblob(2);
print("readblob: " + typeof part + " " + part.len() + " [" + bytes(part) + "] tell " + c.tell() + "\n");  // expect: readblob: blob 2 [10 20] tell 2
local rest = c.readblob(100);
print("readblob past the end: " + rest.len() + " [" + bytes(rest) + "]\n");  // expect: readblob past the end: 1 [30]
local e = blob();
print("writeblob: " + e.writeblob(c) + " " + e.len() + " [" + bytes(e) + "]\n");  // expect: writeblob: 3 3 [10 20 30]

local r = blob(4);
r[3] = 9;
r.resize(2);
print("resize smaller: " + r.len() + " [" + bytes(r) + "]\n");  // expect: resize smaller: 2 [0 0]
r.resize(8);
print("resize larger keeps the length: " + r.len() + "\n");  // expect: resize larger keeps the length: 2
r.seek(2);
r.writen(5, 'b');
print("then writes grow it: " + r.len() + " [" + bytes(r) + "]\n");  // expect: then writes grow it: 3 [0 0 5]

local s = blob();
s.writen(0x0102, 'w');
s.writen(0x03040506, 'i');
print("before swaps: [" + bytes(s) + "]\n");  // expect: before swaps: [2 1 6 5 4 3]
s.swap2();
print("swap2: [" + bytes(s) + "]\n");  // expect: swap2: [1 2 5 6 3 4]
s.swap4();
print("swap4: [" + bytes(s) + "]\n");  // expect: swap4: [6 5 2 1 3 4]

print("flush: " + s.flush() + "\n");  // expect: flush: 1
print("swap2(0x0102) " + swap2(0x0102) + " swap2(0x12345678) " + swap2(0x12345678) + "\n");  // expect: swap2(0x0102) 513 swap2(0x12345678) 30806
print("swap4(0x01020304) " + swap4(0x01020304) + " swap4 twice " + swap4(swap4(-5)) + "\n");  // expect: swap4(0x01020304) 67305985 swap4 twice -5
print("castf2i(1.0) " + castf2i(1.0) + " casti2f(0x40490fdb) " + casti2f(0x40490fdb) + "\n");
// expect: castf2i(1.0) 1065353216 casti2f(0x40490fdb) 3.14159
print("swapfloat twice " + swapfloat(swapfloat(2.5)) + " castf2i(swapfloat(1.0)) " + castf2i(swapfloat(1.0)) + "\n");
// expect: swapfloat twice 2.5 castf2i(swapfloat(1.0)) 32831
