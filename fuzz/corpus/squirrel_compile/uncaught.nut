local x = 5;
function f(a) {
    local s = "str";
    return a.nothing;
}
print("before\n");
f({});
print("not reached\n");
