// switch: fall-through, strings and enum cases, default, empty switches and no matching case.
enum Color { Red, Green = 10, Blue }
function classify(x) {
  local out = "";
  switch (x) {
    case 1: out += "one ";
    case 2: out += "two "; break;
    case "s": out += "string "; break;
    case Color.Green: out += "green ";
    default: out += "default ";
  }
  return out;
}
foreach (x in [1, 2, 3, "s", 10]) print(classify(x) + "| ");
print("\n");  // expect-escaped: one two | two | default | string | green default |\x20
switch (5) { }
local sw = 0;
switch (3) { case 1: sw = 1; break; }
print(sw + "\n");  // expect: 0
