// Writing inside a blob overwrites; writing past the end grows it.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

local g = blob(2);
g.writen(0x0A0B0C0D, 'i');
print("grown: " + g.len() + " [" + bytes(g) + "]\n");  // expect: grown: 4 [13 12 11 10]
g.seek(1);
g.writen(0xFF, 'b');
print("overwritten: " + g.len() + " [" + bytes(g) + "]\n");  // expect: overwritten: 4 [13 255 11 10]
