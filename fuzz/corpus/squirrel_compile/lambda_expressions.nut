// A lambda @(params) expr is a function whose body is one expression, returned.
local add = @(a, b) a + b;
print(add(2, 3) + "\n"); // expect: 5
print(typeof add + "\n"); // expect: function
print((@() 42)() + "\n"); // expect: 42

// As call arguments.
local numbers = [5, 3, 100, 1];
numbers.sort(@(a, b) a <=> b);
print(numbers.reduce(@(acc, v) acc + " " + v) + "\n"); // expect: 1 3 5 100
print(numbers.map(@(v) v * 2).reduce(@(acc, v) acc + "," + v) + "\n"); // expect: 2,6,10,200
print(numbers.filter(@(i, v) v > 3).len() + "\n"); // expect: 2
numbers.sort(@(a, b) b <=> a);
print(numbers[0] + " " + numbers[3] + "\n"); // expect: 100 1

// In array and table literals; a comma ends the body.
local mixed = [1, @() 1, @(x) x, 4];
print(mixed.len() + "\n"); // expect: 4
foreach (v in [1, @() 1]) print(typeof v + "\n");
// expect: integer
// expect: function
local ops = { add = @(a, b) a + b, sub = @(a, b) a - b, k = 10 };
print(ops.add(4, 5) + " " + ops.sub(4, 5) + " " + ops.k + "\n"); // expect: 9 -1 10

// As the value of a slot; 'this' is the object the call goes through.
local counter = { value = 3 };
counter.twice <- @() value * 2;
counter.plus <- @(n) this.value + n;
print(counter.twice() + " " + counter.plus(4) + "\n"); // expect: 6 7
class Doubler { factor = 2; apply = @(x) x * factor; }
print(Doubler().apply(21) + "\n"); // expect: 42

// Closures: outer locals are captured by reference, as by a function.
local offset = 10;
local addOffset = @(x) x + offset;
offset = 20;
print(addOffset(1) + "\n"); // expect: 21
local makeAdder = @(n) @(x) x + n;
local add7 = makeAdder(7);
print(add7(1) + " " + makeAdder(1)(1) + "\n"); // expect: 8 2
function makeCounter() {
    local count = 0;
    return { next = @() ++count, peek = @() count };
}
local c = makeCounter();
c.next(); c.next();
print(c.next() + " " + c.peek() + "\n"); // expect: 3 3

// Default parameters and varargs, as for any function.
local scaled = @(x, factor = 3) x * factor;
print(scaled(2) + " " + scaled(2, 5) + "\n"); // expect: 6 10
local count = @(...) vargv.len();
print(count() + " " + count(1, 2, 3) + "\n"); // expect: 0 3
local first = @(head, ...) vargv.len() > 0 ? head + vargv[0] : head;
print(first(1) + " " + first(1, 2) + "\n"); // expect: 1 3
try { add(1); } catch (e) print(e + "\n"); // expect: wrong number of parameters

// The body is a whole expression: assignment, ternary, logic and calls.
local store = {};
local put = @(k, v) store[k] <- v;
put("a", 1);
print(store.a + "\n"); // expect: 1
local sign = @(x) x < 0 ? "neg" : x == 0 ? "zero" : "pos";
print(sign(-2) + " " + sign(0) + " " + sign(3) + "\n"); // expect: neg zero pos
local both = @(a, b) a && b || "none";
print(both(1, 2) + " " + both(0, 2) + "\n"); // expect: 2 none
local fact = null;
fact = @(n) n <= 1 ? 1 : n * fact(n - 1);
print(fact(10) + "\n"); // expect: 3628800

// Lambdas inside functions and functions inside lambdas.
function apply(f, v) { return f(v); }
print(apply(@(v) v + "!", "hi") + "\n"); // expect: hi!
local wrap = @(v) function() { return v * 3; };
print(wrap(4)() + "\n"); // expect: 12

// A lambda ends at the end of its line like any expression statement.
local id = @(x) x
print(id("next line") + "\n"); // expect: next line

// Verbatim strings keep their '@' prefix.
print(@"a\b" + "\n"); // expect: a\b
