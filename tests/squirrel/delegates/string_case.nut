// tolower and toupper change letters and leave other bytes alone.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("tolower", function() { return "MiXeD 123 _!".tolower(); });  // expect: tolower: string mixed 123 _!
show("toupper", function() { return "MiXeD 123 _!".toupper(); });  // expect: toupper: string MIXED 123 _!
show("toupper of ''", function() { return "".toupper(); });  // expect-escaped: toupper of '': string\x20
show("tolower with an argument", function() { return "A".tolower(1); });  // expect: tolower with an argument: error wrong number of parameters
