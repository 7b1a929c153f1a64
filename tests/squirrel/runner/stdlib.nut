// The runner registers blob, io, system, math and string into the root table.
// exit: 3
foreach (name in ["blob", "file", "stdout", "stderr", "stdin", "dofile", "loadfile", "writeclosuretofile",
                  "getenv", "system", "clock", "time", "date", "remove", "rename",
                  "sqrt", "pow", "floor", "rand", "PI", "RAND_MAX",
                  "format", "strip", "split", "escape", "startswith", "endswith", "regexp",
                  "castf2i", "casti2f", "swap2", "swap4", "swapfloat"])
    if (!(name in getroottable())) print("missing " + name + "\n");

local b = blob(4);
b.writen(0x01020304, 'i');
b.seek(0);
print(format("blob %d bytes, first %02x, typeof %s\n", b.len(), b[0], typeof b));  // expect: blob 4 bytes, first 04, typeof blob
print(format("%s %5.2f %x %-4d|\n", "fmt", PI, 255, 7));  // expect: fmt  3.14 ff 7   |
print(format("sqrt %g floor %g pow %g abs %d\n", sqrt(16), floor(-1.5), pow(2, 10), abs(-3)));  // expect: sqrt 4 floor -2 pow 1024 abs 3
print(split("a,b,,c", ",").len() + " " + strip("  x  ") + " " + startswith("abc", "ab") + "\n");  // expect: 3 x true
local m = regexp("(\\w+)@(\\w+)").capture("mail joe@site");
print(m[1].begin + "-" + m[1].end + " " + m[2].begin + "-" + m[2].end + "\n");  // expect: 5-8 9-13
print("date has year " + ("year" in date()) + ", clock is " + typeof clock() + "\n");  // expect: date has year true, clock is float
stdout.writen('o', 'c');
stdout.writen('k', 'c');
stdout.writen('\n', 'c');  // expect: ok
stdout.flush();
print("vargv " + vargv.len() + "\n");  // expect: vargv 0
try {
    format("%d");
} catch (e) {
    print("caught: " + e + "\n");  // expect: caught: not enough paramters for the given format string
}
return 3;
