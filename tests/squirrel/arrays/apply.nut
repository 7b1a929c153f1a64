// array.apply: results replace the elements in place; an error stops it midway.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}
function dump(a) {
  local out = "[";
  foreach (i, x in a) out += (i ? " " : "") + x;
  return out + "]";
}

show("apply returns", function() { return [1].apply(function(x) { return x; }); });  // expect: apply returns: null (null : 0x(nil))
show("apply", function() { local a = [1, 2, 3]; a.apply(function(x) { return x * x; }); return dump(a); });  // expect: apply: string [1 4 9]
show("apply throws midway", function() { local a = [1, 2, 3]; try { a.apply(function(x) { if (x == 2) throw "stop"; return -x; }); } catch (e) { return e + " " + dump(a); } });
// expect: apply throws midway: string stop [-1 2 3]
