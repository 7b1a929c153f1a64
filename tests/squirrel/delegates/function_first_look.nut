// A first look at the function delegate: getinfos, call, pcall, acall.
function fn(a, b = 2) { return a + b; }
function va(a, ...) { return a + vargv.len(); }
local info = fn.getinfos();
print(info.name + " " + info.parameters.len() + " " + info.parameters[1] + " " + info.varargs + " " + info.defparams.len() + " " + info.defparams[0] + " " + info.src + "\n");
// expect: fn 3 a 0 1 2 function_first_look.nut
info = va.getinfos();
print(info.parameters.len() + " " + info.parameters[2] + " " + info.varargs + " " + info.defparams.len() + "\n");  // expect: 4 vargv 1 0
print(typeof print.getinfos().native + " " + print.getinfos().native + "\n");  // expect: bool true
print(fn.call(null, 1) + " " + fn.pcall(null, 1, 5) + " " + va.acall([null, 1, 1, 0, 0]) + " " + fn.pacall([null, 2]) + "\n");  // expect: 3 6 4 4
