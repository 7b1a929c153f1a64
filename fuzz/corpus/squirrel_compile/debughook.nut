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
print("result " + result + "\n");
enabledebuginfo(false);
local g = compilestring("local y = 1;\ny++;\nreturn y;\n", "untraced");
events.clear();
setdebughook(hook);
g();
setdebughook(null);
foreach (e in events) print(e + "\n");
