// foreach over a blob gives its bytes; clone copies them.
function bytes(b) {
    local s = "";
    foreach (i, v in b) s += (i ? " " : "") + v;
    return s;
}

local c = blob();
foreach (v in [10, 20, 30]) c.writen(v, 'b');
print("foreach: [" + bytes(c) + "]\n");  // expect: foreach: [10 20 30]
local visits = 0;
foreach (i, v in blob()) visits++;
print("foreach over an empty blob: " + visits + "\n");  // expect: foreach over an empty blob: 0

local d = clone c;
d[0] = 99;
print("clone: " + c[0] + " " + d[0] + " " + d.len() + " " + typeof d + "\n");  // expect: clone: 10 99 3 blob
