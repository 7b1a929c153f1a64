// getconsttable and setconsttable: constants are read by the compiler from the current table.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

const LIMIT = 10;
show("getconsttable", function() { return getconsttable().LIMIT; });  // expect: getconsttable: integer 10
show("setconsttable", function() {  // expect: setconsttable: string true from the new table from the new table
  local old = getconsttable();
  local prev = setconsttable({ K = "from the new table" });
  local f = compilestring("return K;");
  local back = setconsttable(old);
  return (prev == old) + " " + f() + " " + back.K;
});
show("setconsttable(null)", function() { return setconsttable(null); });  // expect: setconsttable(null): error ivalid type, expected table
show("setconsttable([])", function() { return setconsttable([]); });  // expect: setconsttable([]): error ivalid type, expected table
