// writeclosuretofile writes a compiled closure that loadfile and dofile read back.
local source = "sqstdlib_io_compiled.nut.tmp";
local compiled = "sqstdlib_io_compiled.cnut.tmp";
local f = file(source, "wb");
foreach (c in "local total = 0; foreach (v in [1, 2, 3]) total += v; return \"sum \" + total + \" \" + 2.5;") f.writen(c, 'b');
f.close();

writeclosuretofile(compiled, loadfile(source));
local head = file(compiled, "rb");
print("tag " + format("%04X", head.readn('w')) + "\n");  // expect: tag FAFA
head.close();
print("dofile " + dofile(compiled) + "\n");  // expect: dofile sum 6 2.5
print("loadfile " + loadfile(compiled)() + "\n");  // expect: loadfile sum 6 2.5

writeclosuretofile(compiled, function(a, b) { return a * b; });
print("a function with parameters " + loadfile(compiled)(4, 10) + "\n");  // expect: a function with parameters 40
remove(source);
remove(compiled);
