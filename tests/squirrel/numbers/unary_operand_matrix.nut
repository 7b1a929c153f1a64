// Constant operands, negation, bitwise not, truth and branches over every kind of value (one line per value).
local vals = [0, 1, -1, 2147483647, -2147483648, 3, 0.0, -0.0, 1.5, -2.5, "s", null, true];
foreach (a in vals) {
  local r = [];
  try { r.append(a - 1); } catch (e) { r.append("E"); }
  try { r.append(a + 1); } catch (e) { r.append("E"); }
  try { r.append(a < 2); } catch (e) { r.append("E"); }
  try { r.append(-a); } catch (e) { r.append("E"); }
  try { r.append(~a); } catch (e) { r.append("E"); }
  r.append(!a);
  if (a) r.append("T"); else r.append("F");
  try { if (a < 2) r.append("L"); else r.append("G"); } catch (e) { r.append("E"); }
  local line = "";
  foreach (x in r) line += x + ",";
  print(line + "\n");
  // expect: -1,1,true,0,-1,true,F,L,
  // expect: 0,2,true,-1,-2,false,T,L,
  // expect: -2,0,true,1,0,false,T,L,
  // expect: 2147483646,-2147483648,false,-2147483647,-2147483648,false,T,G,
  // expect: 2147483647,-2147483647,true,-2147483648,2147483647,false,T,L,
  // expect: 2,4,false,-3,-4,false,T,G,
  // expect: -1,1,true,-0,E,true,F,L,
  // expect: -1,1,true,0,E,true,F,L,
  // expect: 0.5,2.5,true,-1.5,E,false,T,L,
  // expect: -3.5,-1.5,true,2.5,E,false,T,L,
  // expect: E,s1,E,E,E,false,T,E,
  // expect: E,E,true,E,E,true,F,L,
  // expect: E,E,E,E,E,false,T,E,
}
