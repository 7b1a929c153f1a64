// getstackinfos of the caller levels: function, source, line and locals; past the top, null.
function level2() {
  local info = getstackinfos(1);
  print(info.func + " " + info.src + " " + info.line + " " + ("this" in info.locals) + "\n");
  local caller = getstackinfos(2);
  print(caller.func + " " + caller.line + " " + caller.locals.x + "\n");
  print(getstackinfos(50) + "\n");
}
function level1() {
  local x = 42;
  level2();
}
level1();
// expect: level2 getstackinfos_levels.nut 3 true
// expect: level1 11 42
// expect: (null : 0x(nil))
print(getstackinfos(0).func + " " + getstackinfos(0).line + " " + getstackinfos(0).src + " " + getstackinfos(1).func + "\n");
// expect: getstackinfos -1 NATIVE main
