// getstackinfos of a suspended thread.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local deep = newthread(function() { local x = 1; suspend(); });
deep.call();
local si = deep.getstackinfos(0);
show("getstackinfos.func", function() { return si.func; });  // expect: getstackinfos.func: string unknown
show("getstackinfos.src", function() { return si.src; });  // expect: getstackinfos.src: string thread_getstackinfos.nut
show("getstackinfos.line", function() { return si.line; });  // expect: getstackinfos.line: integer 11
show("getstackinfos past the end", function() { return deep.getstackinfos(5); });  // expect: getstackinfos past the end: null (null : 0x(nil))
show("getstackinfos('a')", function() { return deep.getstackinfos("a"); });
// expect: getstackinfos('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
