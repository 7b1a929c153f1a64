// getroottable and setroottable: the swap is seen by global lookups and undone.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("getroottable", function() { return (getroottable() == ::getroottable()) + " " + (getroottable().print == print); });
// expect: getroottable: string true true
show("setroottable", function() {  // expect: setroottable: string true fresh root fresh root true
  local out = print;
  local old = getroottable();
  local prev = setroottable({ marker = "fresh root" });
  local seen = ::marker;
  local back = setroottable(old);
  return (prev == old) + " " + seen + " " + (back.marker) + " " + (getroottable() == old);
});
show("setroottable(1)", function() { return setroottable(1); });  // expect: setroottable(1): error ivalid type
show("setroottable()", function() { return setroottable(); });  // expect: setroottable(): error wrong number of parameters
