// split cuts at any of the separator characters and drops empty pieces.
function show(parts) {
    local s = "[";
    foreach (i, part in parts) s += (i ? "," : "") + "'" + part + "'";
    return s + "] " + parts.len();
}
print(show(split("a,b,,c", ",")) + "\n");  // expect: ['a','b','c'] 3
print(show(split("  one two\tthree ", " \t")) + "\n");  // expect: ['one','two','three'] 3
print(show(split("", ",")) + "\n");  // expect: [] 0
print(show(split(",,,", ",")) + "\n");  // expect: [] 0
print(show(split("key=value;x=y", "=;")) + "\n");  // expect: ['key','value','x','y'] 4
