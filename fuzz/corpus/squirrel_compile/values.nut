// Integers, floats, enums, constants, switch.
print(0x7FFFFFFF + 1 + " " + (0xFFFFFFFF == -1) + " " + 0xFFFFFFFF + " " + (-2147483647 - 1) * -1 + "\n");
print(_intsize_ + " " + _floatsize_ + "\n");
print(2147483647 * 2 + " " + (1 << 31) + " " + (1 << 32) + " " + (-1 >> 28) + " " + (-1 >>> 28) + "\n");
print(7 / 2 + " " + -7 / 2 + " " + 7 % 3 + " " + -7 % 3 + " " + 7.0 / 2 + " " + 7 % 2.5 + "\n");
local imin = -2147483647 - 1;
print(imin / -1 + " " + imin % -1 + "\n");
try { print(1 / 0); } catch (e) { print(e + "\n"); }
try { print(1 % 0); } catch (e) { print(e + "\n"); }
print(1.0 / 0 + " " + -1.0 / 0 + "\n");
print(1.0 / 3 + " " + 100000000.0 + " " + 1e-5 + " " + 123456789 * 1.0 + " " + 0.1 + 0.2 + "\n");
print(3.0 + " " + (2.5).tointeger() + " " + (1.5e20).tointeger() + " " + (-1.5e20).tointeger() + "\n");
print((5 & 3) + " " + (5 | 3) + " " + (5 ^ 3) + " " + ~5 + "\n");
print('a' + " " + 'a'.tochar() + " " + "\x41\t|" + " " + @"raw\n" + "\n");
print((1 <=> 2) + " " + (2 <=> 2) + " " + ("b" <=> "a") + "\n");
print(("abc" < "abd") + " " + (1 < 1.5) + " " + (null == false) + " " + (0 == 0.0) + "\n");
try { print(1 < "a"); } catch (e) { print(e + "\n"); }

enum Color { Red, Green = 10, Blue }
enum Names { A = "a", B = 1.5 }
const LIMIT = 100;
const NAME = "name";
print(Color.Red + " " + Color.Green + " " + Color.Blue + " " + Names.A + " " + Names.B + " " + LIMIT + " " + NAME + "\n");
print(getconsttable().LIMIT + " " + getconsttable().Color.Blue + "\n");

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
print("\n");
switch (5) { }
local sw = 0;
switch (3) { case 1: sw = 1; break; }
print(sw + "\n");

local i = 5;
print(i++ + " " + i + " " + ++i + " " + i-- + " " + --i + "\n");
local arr = [1, 2];
arr[0] += 5; arr[1] *= 3;
local tbl = { v = 2 };
tbl.v *= 9; tbl.v -= 1; tbl.v /= 3; tbl.v %= 4;
print(arr[0] + " " + arr[1] + " " + tbl.v + "\n");
print((true && "yes") + " " + (false || "no") + " " + (null || 0) + " " + !0 + " " + !"" + "\n");
print(("k" in tbl) + " " + ("v" in tbl) + " " + (1 in arr) + " " + (2 in arr) + "\n");
print(typeof null + " " + typeof 1 + " " + typeof 1.0 + " " + typeof true + " " + typeof "" + " " + typeof {} + " " + typeof [] + " " + typeof print + " " + typeof classify + "\n");
local x = 1, y = 2;
print((x > y ? "gt" : "le") + " " + (x == 1 ? y == 2 ? "both" : "first" : "none") + "\n");
local k = 0;
do { k++; } while (k < 3);
while (true) { if (++k > 5) break; }
for (local j = 0; j < 10; j++) { if (j % 2) continue; k += j; }
print(k + "\n");
