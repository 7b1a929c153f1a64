// A bound environment wins over the `this` of call; a function stored in a table gets the table as `this`.
local env = { val = "from env" };
function whoami() { return this.val; }
local bound = whoami.bindenv(env);
print(bound() + " " + bound.call({ val = "ignored" }) + "\n");  // expect: from env from env
local obj = { val = "obj", f = null };
obj.f = whoami;
print(obj.f() + "\n");  // expect: obj
