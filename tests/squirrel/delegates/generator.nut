// The generator delegate: getstatus through the resumes, also from inside.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

function counter(n) { for (local i = 0; i < n; i++) yield i; return "done"; }
local g = counter(2);
show("generator type", function() { return typeof g; });  // expect: generator type: string generator
show("fresh", function() { return g.getstatus(); });  // expect: fresh: string suspended
show("resume 1", function() { return resume g; });  // expect: resume 1: integer 0
show("after resume", function() { return g.getstatus(); });  // expect: after resume: string suspended
show("resume 2", function() { return resume g; });  // expect: resume 2: integer 1
show("resume 3", function() { return resume g; });  // expect: resume 3: string done
show("finished", function() { return g.getstatus(); });  // expect: finished: string dead
show("resume dead", function() { return resume g; });  // expect: resume dead: error resuming dead generator
local self = null;
self = (function() { yield self.getstatus(); })();
show("status seen from inside", function() { return resume self; });  // expect: status seen from inside: string running
show("getstatus with an argument", function() { return g.getstatus(1); });  // expect: getstatus with an argument: error wrong number of parameters
