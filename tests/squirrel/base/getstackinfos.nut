// getstackinfos: function, source, line and locals of a level; natives, anonymous functions, bad levels.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

function named(param) {
  local inner = "value";
  local info = getstackinfos(1);
  local names = [];
  foreach (k, v in info.locals) names.append(k);
  names.sort();
  local out = info.func + " " + info.src + " " + info.line + " |";
  foreach (n in names) out += " " + n + "=" + (typeof info.locals[n] == "table" ? "table" : info.locals[n]);
  return out;
}
show("getstackinfos", function() { return named(5); });  // expect: getstackinfos: string named getstackinfos.nut 13 | inner=value param=5 this=table
show("getstackinfos of a native", function() { local i = getstackinfos(0); return i.func + " " + i.src + " " + i.line + " " + i.locals.len(); });
// expect: getstackinfos of a native: string getstackinfos NATIVE -1 0
show("getstackinfos of an anonymous function", function() { return getstackinfos(1).func; });
// expect: getstackinfos of an anonymous function: string unknown
show("getstackinfos past the end", function() { return getstackinfos(1000); });  // expect: getstackinfos past the end: null (null : 0x(nil))
show("getstackinfos(-1)", function() { return getstackinfos(-1); });  // expect: getstackinfos(-1): null (null : 0x(nil))
show("getstackinfos('1')", function() { return getstackinfos("1"); });
// expect: getstackinfos('1'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
