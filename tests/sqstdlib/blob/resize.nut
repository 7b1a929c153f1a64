// resize cuts or grows the blob without moving its length past what is written.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

local r = blob(4);
r[3] = 9;
r.resize(2);
print("resize smaller: " + r.len() + " [" + bytes(r) + "]\n");  // expect: resize smaller: 2 [0 0]
r.resize(8);
print("resize larger keeps the length: " + r.len() + "\n");  // expect: resize larger keeps the length: 2
r.seek(2);
r.writen(5, 'b');
print("then writes grow it: " + r.len() + " [" + bytes(r) + "]\n");  // expect: then writes grow it: 3 [0 0 5]
