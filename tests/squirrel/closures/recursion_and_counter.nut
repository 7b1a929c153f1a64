// Recursion and a closure that keeps its counter between calls.
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
print(fib(20) + "\n");  // expect: 6765
local function counter() {
    local c = 0;
    return function() { return ++c; };
}
local f = counter();
f(); f();
print(f() + "\n");  // expect: 3
