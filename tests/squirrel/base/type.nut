// type names every kind of value, ignoring _typeof, and takes exactly one value.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("type", function() {  // expect: type: string null integer float bool string table array function function generator thread class instance weakref
  local out = "";
  foreach (v in [null, 1, 1.5, true, "s", {}, [], print, show, (function() { yield 1; })(), newthread(print),
                 class {}, (class { function _typeof() { return "custom"; } })()])
    out += type(v) + " ";
  local wr = getroottable().weakref();
  return out + type(wr);
});
show("type()", function() { return type(); });  // expect: type(): error wrong number of parameters
show("type(1, 2)", function() { return type(1, 2); });  // expect: type(1, 2): error wrong number of parameters
