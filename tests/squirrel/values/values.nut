// Integers, floats, enums, constants, switch.
print(0x7FFFFFFF + 1 + " " + (0xFFFFFFFF == -1) + " " + 0xFFFFFFFF + " " + (-2147483647 - 1) * -1 + "\n");  // expect: -2147483648 true -1 -2147483648
print(_intsize_ + " " + _floatsize_ + "\n");  // expect: 4 4
print(2147483647 * 2 + " " + (1 << 31) + " " + (1 << 32) + " " + (-1 >> 28) + " " + (-1 >>> 28) + "\n");  // expect: -2 -2147483648 1 -1 15
print(7 / 2 + " " + -7 / 2 + " " + 7 % 3 + " " + -7 % 3 + " " + 7.0 / 2 + " " + 7 % 2.5 + "\n");  // expect: 3 -3 1 -1 3.5 2
local imin = -2147483647 - 1;
print(imin / -1 + " " + imin % -1 + "\n");  // expect: -2147483648 0
try { print(1 / 0); } catch (e) { print(e + "\n"); }  // expect: division by zero
try { print(1 % 0); } catch (e) { print(e + "\n"); }  // expect: modulo by zero
print(1.0 / 0 + " " + -1.0 / 0 + "\n");  // expect: inf -inf
print(1.0 / 3 + " " + 100000000.0 + " " + 1e-5 + " " + 123456789 * 1.0 + " " + 0.1 + 0.2 + "\n");  // expect: 0.333333 1e+08 1e-05 1.23457e+08 0.10.2
print(3.0 + " " + (2.5).tointeger() + " " + (1.5e20).tointeger() + " " + (-1.5e20).tointeger() + "\n");  // expect: 3 2 -2147483648 -2147483648
print((5 & 3) + " " + (5 | 3) + " " + (5 ^ 3) + " " + ~5 + "\n");  // expect: 1 7 6 -6
print('a' + " " + 'a'.tochar() + " " + "\x41\t|" + " " + @"raw\n" + "\n");  // expect-escaped: 97 a A\t| raw\\n
print((1 <=> 2) + " " + (2 <=> 2) + " " + ("b" <=> "a") + "\n");  // expect: -1 0 1
print(("abc" < "abd") + " " + (1 < 1.5) + " " + (null == false) + " " + (0 == 0.0) + "\n");  // expect: true true false true
try { print(1 < "a"); } catch (e) { print(e + "\n"); }  // expect: comparison between 'integer' and 'string'

enum Color { Red, Green = 10, Blue }
enum Names { A = "a", B = 1.5 }
const LIMIT = 100;
const NAME = "name";
print(Color.Red + " " + Color.Green + " " + Color.Blue + " " + Names.A + " " + Names.B + " " + LIMIT + " " + NAME + "\n");
// expect: 0 10 1 a 1.5 100 name
print(getconsttable().LIMIT + " " + getconsttable().Color.Blue + "\n");  // expect: 100 1

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

local i = 5;
print(i++ + " " + i + " " + ++i + " " + i-- + " " + --i + "\n");  // expect: 5 6 7 7 5
local arr = [1, 2];
arr[0] += 5; arr[1] *= 3;
local tbl = { v = 2 };
tbl.v *= 9; tbl.v -= 1; tbl.v /= 3; tbl.v %= 4;
print(arr[0] + " " + arr[1] + " " + tbl.v + "\n");  // expect: 6 6 1
print((true && "yes") + " " + (false || "no") + " " + (null || 0) + " " + !0 + " " + !"" + "\n");  // expect: yes no 0 true false
print(("k" in tbl) + " " + ("v" in tbl) + " " + (1 in arr) + " " + (2 in arr) + "\n");  // expect: false true true false
print(typeof null + " " + typeof 1 + " " + typeof 1.0 + " " + typeof true + " " + typeof "" + " " + typeof {} + " " + typeof [] + " " + typeof print + " " + typeof classify + "\n");
// expect: null integer float bool string table array function function
local x = 1, y = 2;
print((x > y ? "gt" : "le") + " " + (x == 1 ? y == 2 ? "both" : "first" : "none") + "\n");  // expect: le both
local k = 0;
do { k++; } while (k < 3);
while (true) { if (++k > 5) break; }
for (local j = 0; j < 10; j++) { if (j % 2) continue; k += j; }
print(k + "\n");  // expect: 26
