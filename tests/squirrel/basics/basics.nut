local a = 1, b = 2.5;
print(a + b + "\n");  // expect: 3.5
print((7 / 2) + " " + (7 % 3) + " " + (-7 / 2) + "\n");  // expect: 3 1 -3
print(0xFFFFFFFF == -1);
print("\n");  // expect: true
print(2147483647 + 1);
print("\n");  // expect: -2147483648
print(_intsize_ + " " + _floatsize_ + "\n");  // expect: 4 4
print(1.0 + " " + 0.1 + " " + 1.0e20 + " " + (1.0/3) + "\n");  // expect: 1 0.1 1e+20 0.333333
local s = "hello";
print(s.len() + " " + s.toupper() + " " + s.slice(1, 3) + " " + s[0] + "\n");  // expect: 5 HELLO el 104
local t = { x = 1, y = "two" };
t.z <- 3;
print(t.x + t.z + " " + t.y + " " + ("z" in t) + " " + t.len() + "\n");  // expect: 4 two true 3
local arr = [3, 1, 2];
arr.sort();
arr.push(10);
foreach (i, v in arr) print(i + ":" + v + " ");
print("\n");  // expect-escaped: 0:1 1:2 2:3 3:10\x20
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
print(fib(20) + "\n");  // expect: 6765
local function counter() {
    local c = 0;
    return function() { return ++c; };
}
local f = counter();
f(); f();
print(f() + "\n");  // expect: 3
try { local q = t.missing; } catch (e) { print(e + "\n"); }  // expect: the index 'missing' does not exist
try { local q = 1 / 0; } catch (e) { print(e + "\n"); }  // expect: division by zero
try { local q = 1 % 0; } catch (e) { print(e + "\n"); }  // expect: modulo by zero
print((-2147483647 - 1) / -1);
print("\n");  // expect: -2147483648
print((-2147483647 - 1) % -1);
print("\n");  // expect: 0
try { array(-1); } catch (e) { print(e + "\n"); }  // expect: negative size
try { null + 1; } catch (e) { print(e + "\n"); }  // expect: arith op + on between 'null' and 'integer'
switch (2) { case 1: print("one\n"); break; case 2: print("two\n"); case 3: print("three\n"); break; default: print("d\n"); }
// expect: two
// expect: three
enum Color { Red, Green = 5, Blue }
const K = 7;
print(Color.Red + " " + Color.Green + " " + Color.Blue + " " + K + "\n");  // expect: 0 5 1 7
print(typeof 1 + typeof 1.0 + typeof "" + typeof {} + typeof [] + typeof null + typeof print + "\n");
// expect: integerfloatstringtablearraynullfunction
