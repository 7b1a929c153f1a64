// The math functions on 32-bit floats, abs on integers, rand and the constants.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

print("sqrt " + sqrt(16) + " " + sqrt(2) + " " + typeof sqrt(16) + "\n");
print("sin cos tan " + sin(0) + " " + cos(0) + " " + tan(PI / 4) + " " + sin(PI / 2) + "\n");
print("asin acos atan atan2 " + asin(1) + " " + acos(1) + " " + atan(1) + " " + atan2(1, -1) + "\n");
print("log log10 exp pow " + log(1) + " " + log10(1000) + " " + exp(1) + " " + pow(2, 10) + " " + pow(2, 0.5) + "\n");
print("floor ceil " + floor(2.7) + " " + ceil(2.1) + " " + floor(-2.5) + " " + ceil(-2.5) + " " + typeof floor(2) + "\n");
print("fabs abs " + fabs(-3.5) + " " + abs(-7) + " " + abs(7) + " " + abs(-7.9) + " " + typeof abs(-7.9) + "\n");
print("abs of the smallest integer " + abs(-2147483647 - 1) + "\n");
print("log(0) " + log(0) + " large pow " + pow(10, 39) + "\n");
print("PI " + PI + " " + typeof PI + " RAND_MAX " + RAND_MAX + "\n");
srand(42);
local first = rand();
srand(42);
print("rand repeats after srand: " + (first == rand()) + "\n");
local inRange = true;
for (local i = 0; i < 100; i++) {
    local r = rand();
    if (r < 0 || r > RAND_MAX || typeof r != "integer") inRange = false;
}
print("rand in range: " + inRange + "\n");
attempt("sqrt of a string", function() { return sqrt("x"); });
attempt("rand with an argument", function() { return rand(1); });
attempt("pow with one argument", function() { return pow(2); });
attempt("srand of null", function() { return srand(null); });
