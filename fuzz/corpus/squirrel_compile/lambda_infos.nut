// A lambda is an anonymous function: no name, its parameters and defaults as for 'function'.
local f = @(a, b = 2) a + b;
local info = f.getinfos();
print((info.name == null) + " " + info.native + " " + info.varargs + "\n"); // expect: true false 0
print(info.parameters.len() + " " + info.parameters[0] + " " + info.parameters[2] + "\n"); // expect: 3 this b
print(info.defparams.len() + " " + info.defparams[0] + "\n"); // expect: 1 2
print(info.src + "\n"); // expect: infos.nut
local v = @(x, ...) x;
local vinfo = v.getinfos();
print(vinfo.varargs + " " + vinfo.parameters.top() + "\n"); // expect: 1 ...

// Inside a running lambda the stack shows an anonymous function.
local where = @() getstackinfos(1).func;
print(where() + " " + (where.getinfos().name == null) + "\n"); // expect: unknown true
local line = @() getstackinfos(1).line;
print(line() + "\n"); // expect: 15

// Errors raised in a lambda unwind like any call.
local fails = @(x) x.missing;
try { fails({}); } catch (e) print(e + "\n"); // expect: the index 'missing' does not exist

// bindenv and call work on lambdas.
local env = { k = 5 };
local getK = @() k;
print(getK.bindenv(env)() + " " + getK.call(env) + "\n"); // expect: 5 5
