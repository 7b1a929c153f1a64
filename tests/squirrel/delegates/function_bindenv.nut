// bindenv gives a copy of the closure with a fixed `this`.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

function add(a, b) { return a + b; }
function whoami() { return this.name; }
function withdefaults(a, b = 2, c = "c") { return a + b + c; }
function variadic(a, ...) { return a + vargv.len(); }
local env = { name = "env" };
show("bindenv", function() { return whoami.bindenv(env)(); });  // expect: bindenv: string env
show("bindenv overrides this", function() { return whoami.bindenv(env).call({ name = "other" }); });  // expect: bindenv overrides this: string env
show("bindenv class", function() { local C = class { static name = "class" }; return whoami.bindenv(C)(); });  // expect: bindenv class: string class
show("bindenv(1)", function() { return whoami.bindenv(1); });
// expect: bindenv(1): error parameter 1 has an invalid type 'integer' ; expected: 'table|class|instance'
show("bindenv(null)", function() { return whoami.bindenv(null); });
// expect: bindenv(null): error parameter 1 has an invalid type 'null' ; expected: 'table|class|instance'
show("bindenv copies", function() { local b = whoami.bindenv(env); return (b == whoami) + " " + typeof b; });
// expect: bindenv copies: string false function
show("native bindenv", function() { return typeof type.bindenv(env); });  // expect: native bindenv: string function
