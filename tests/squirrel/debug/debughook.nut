// The debug hook: call, return and line events of code compiled with debug info.
local events = [];
function hook(type, source, line, funcname) {
  events.append(type.tochar() + " " + (funcname == null ? "NOINFO" : funcname) + " " + line);
}
enabledebuginfo(true);
local src = "function add(a, b) {\n  local c = a + b;\n  return c;\n}\nlocal x = add(1, 2);\nx = add(x, 3);\nreturn x;\n";
local f = compilestring(src, "traced");
setdebughook(hook);
local result = f();
setdebughook(null);
foreach (e in events) print(e + "\n");
// expect: c main 1
// expect: l main 1
// expect: l main 5
// expect: c add 1
// expect: l add 1
// expect: l add 2
// expect: l add 3
// expect: r add 4
// expect: l main 6
// expect: c add 1
// expect: l add 1
// expect: l add 2
// expect: l add 3
// expect: r add 4
// expect: l main 7
// expect: r main 8
print("result " + result + "\n");  // expect: result 6
enabledebuginfo(false);
local g = compilestring("local y = 1;\ny++;\nreturn y;\n", "untraced");
events.clear();
setdebughook(hook);
g();
setdebughook(null);
foreach (e in events) print(e + "\n");
// expect: c main 1
// expect: r main 4
