// swap2 and swap4 of blobs and numbers, castf2i, casti2f, swapfloat; flush.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

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
