// error writes to the error stream and takes exactly one value; an empty text keeps that stream quiet.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("error returns", function() { return error(""); });  // expect: error returns: null (null : 0x(nil))
show("error()", function() { return error(); });  // expect: error(): error wrong number of parameters
