// rand repeats after the same srand and stays in 0..RAND_MAX.
srand(42);
local first = rand();
srand(42);
print("rand repeats after srand: " + (first == rand()) + "\n");  // expect: rand repeats after srand: true
local inRange = true;
for (local i = 0; i < 100; i++) {
    local r = rand();
    if (r < 0 || r > RAND_MAX || typeof r != "integer") inRange = false;
}
print("rand in range: " + inRange + "\n");  // expect: rand in range: true
