// seterrorhandler: the handler sees errors raised where no try is active in the same call.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

local handled = [];
seterrorhandler(function(e) { handled.append("handled " + e); });
show("seterrorhandler", function() { return (function() { throw "raised"; }).call(null); });  // expect: seterrorhandler: error raised
show("pcall skips the handler", function() { return (function() { throw "quiet"; }).pcall(null); });  // expect: pcall skips the handler: error quiet
seterrorhandler(null);
foreach (h in handled) print(h + "\n");  // expect: handled raised
show("seterrorhandler()", function() { return seterrorhandler(); });  // expect: seterrorhandler(): error wrong number of parameters
