// The math functions on 32-bit floats, abs on integers, the constants.
print("sqrt " + sqrt(16) + " " + sqrt(2) + " " + typeof sqrt(16) + "\n");  // expect: sqrt 4 1.41421 float
print("sin cos tan " + sin(0) + " " + cos(0) + " " + tan(PI / 4) + " " + sin(PI / 2) + "\n");  // expect: sin cos tan 0 1 1 1
print("asin acos atan atan2 " + asin(1) + " " + acos(1) + " " + atan(1) + " " + atan2(1, -1) + "\n");
// expect: asin acos atan atan2 1.5708 0 0.785398 2.35619
print("log log10 exp pow " + log(1) + " " + log10(1000) + " " + exp(1) + " " + pow(2, 10) + " " + pow(2, 0.5) + "\n");
// expect: log log10 exp pow 0 3 2.71828 1024 1.41421
print("floor ceil " + floor(2.7) + " " + ceil(2.1) + " " + floor(-2.5) + " " + ceil(-2.5) + " " + typeof floor(2) + "\n");
// expect: floor ceil 2 3 -3 -2 float
print("fabs abs " + fabs(-3.5) + " " + abs(-7) + " " + abs(7) + " " + abs(-7.9) + " " + typeof abs(-7.9) + "\n");
// expect: fabs abs 3.5 7 7 7 integer
print("abs of the smallest integer " + abs(-2147483647 - 1) + "\n");  // expect: abs of the smallest integer -2147483648
print("log(0) " + log(0) + " large pow " + pow(10, 39) + "\n");  // expect: log(0) -inf large pow inf
print("PI " + PI + " " + typeof PI + " RAND_MAX " + RAND_MAX + "\n");  // expect: PI 3.14159 float RAND_MAX 2147483647
