// Indexing a string gives integers.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local s = "Hello, World";
show("s[0]", function() { return s[0]; });  // expect: s[0]: integer 72
show("s[0].tochar", function() { return s[0].tochar(); });  // expect: s[0].tochar: string H
show("s[12]", function() { return s[12]; });  // expect: s[12]: error the index '12' does not exist
