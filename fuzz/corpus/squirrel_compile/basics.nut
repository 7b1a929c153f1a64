local a = 1, b = 2.5;
print(a + b + "\n");
print((7 / 2) + " " + (7 % 3) + " " + (-7 / 2) + "\n");
print(0xFFFFFFFF == -1);
print("\n");
print(2147483647 + 1);
print("\n");
print(_intsize_ + " " + _floatsize_ + "\n");
print(1.0 + " " + 0.1 + " " + 1.0e20 + " " + (1.0/3) + "\n");
local s = "hello";
print(s.len() + " " + s.toupper() + " " + s.slice(1, 3) + " " + s[0] + "\n");
local t = { x = 1, y = "two" };
t.z <- 3;
print(t.x + t.z + " " + t.y + " " + ("z" in t) + " " + t.len() + "\n");
local arr = [3, 1, 2];
arr.sort();
arr.push(10);
foreach (i, v in arr) print(i + ":" + v + " ");
print("\n");
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
print(fib(20) + "\n");
local function counter() {
    local c = 0;
    return function() { return ++c; };
}
local f = counter();
f(); f();
print(f() + "\n");
try { local q = t.missing; } catch (e) { print(e + "\n"); }
try { local q = 1 / 0; } catch (e) { print(e + "\n"); }
try { local q = 1 % 0; } catch (e) { print(e + "\n"); }
print((-2147483647 - 1) / -1);
print("\n");
print((-2147483647 - 1) % -1);
print("\n");
try { array(-1); } catch (e) { print(e + "\n"); }
try { null + 1; } catch (e) { print(e + "\n"); }
switch (2) { case 1: print("one\n"); break; case 2: print("two\n"); case 3: print("three\n"); break; default: print("d\n"); }
enum Color { Red, Green = 5, Blue }
const K = 7;
print(Color.Red + " " + Color.Green + " " + Color.Blue + " " + K + "\n");
print(typeof 1 + typeof 1.0 + typeof "" + typeof {} + typeof [] + typeof null + typeof print + "\n");
