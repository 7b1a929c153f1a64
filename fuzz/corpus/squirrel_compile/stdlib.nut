// The runner registers blob, io, system, math and string into the root table.
foreach (name in ["blob", "file", "stdout", "stderr", "stdin", "dofile", "loadfile", "writeclosuretofile",
                  "getenv", "system", "clock", "time", "date", "remove", "rename",
                  "sqrt", "pow", "floor", "rand", "PI", "RAND_MAX",
                  "format", "strip", "split", "escape", "startswith", "endswith", "regexp",
                  "castf2i", "casti2f", "swap2", "swap4", "swapfloat"])
    if (!(name in getroottable())) print("missing " + name + "\n");

local b = blob(4);
b.writen(0x01020304, 'i');
b.seek(0);
print(format("blob %d bytes, first %02x, typeof %s\n", b.len(), b[0], typeof b));
print(format("%s %5.2f %x %-4d|\n", "fmt", PI, 255, 7));
print(format("sqrt %g floor %g pow %g abs %d\n", sqrt(16), floor(-1.5), pow(2, 10), abs(-3)));
print(split("a,b,,c", ",").len() + " " + strip("  x  ") + " " + startswith("abc", "ab") + "\n");
local m = regexp("(\\w+)@(\\w+)").capture("mail joe@site");
print(m[1].begin + "-" + m[1].end + " " + m[2].begin + "-" + m[2].end + "\n");
print("date has year " + ("year" in date()) + ", clock is " + typeof clock() + "\n");
stdout.writen('o', 'c');
stdout.writen('k', 'c');
stdout.writen('\n', 'c');
stdout.flush();
print("vargv " + vargv.len() + "\n");
try {
    format("%d");
} catch (e) {
    print("caught: " + e + "\n");
}
return 3;
