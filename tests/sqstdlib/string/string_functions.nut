// strip, lstrip, rstrip, split, escape, startswith and endswith.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

function show(parts) {
    local s = "[";
    foreach (i, part in parts) s += (i ? "," : "") + "'" + part + "'";
    return s + "] " + parts.len();
}

print("[" + strip("  \t hello world \n ") + "]\n");  // expect: [hello world]
print("[" + lstrip("  a b  ") + "][" + rstrip("  a b  ") + "]\n");  // expect: [a b  ][  a b]
print("[" + strip("") + "][" + strip("   ") + "][" + lstrip(" \n ") + "][" + rstrip("   ") + "][" + rstrip("x") + "]\n");  // expect: [][][][][x]
print("[" + strip("none") + "][" + lstrip("\r\v\fx") + "]\n");  // expect: [none][x]

print(show(split("a,b,,c", ",")) + "\n");  // expect: ['a','b','c'] 3
print(show(split("  one two\tthree ", " \t")) + "\n");  // expect: ['one','two','three'] 3
print(show(split("", ",")) + "\n");  // expect: [] 0
print(show(split(",,,", ",")) + "\n");  // expect: [] 0
print(show(split("key=value;x=y", "=;")) + "\n");  // expect: ['key','value','x','y'] 4

print(escape("plain") + "\n");  // expect: plain
print(escape("a\"b'c\\d") + "\n");  // expect: a\"b\'c\\d
print(escape("tab\there\nnew line\r") + "\n");  // expect: tab\x09here\x0anew line\x0d
print(escape("\x01\x7f\xe9") + "\n");  // expect: \x01\x7f\xe9
print(escape("nul\0end") + "\n");  // expect: nul\0end
print("[" + escape("") + "]\n");  // expect: []

print(startswith("squirrel", "squ") + " " + startswith("squirrel", "rel") + " " + startswith("sq", "squirrel") + " " + startswith("abc", "") + "\n");
// expect: true false false true
print(endswith("squirrel", "rel") + " " + endswith("squirrel", "squ") + " " + endswith("l", "rel") + " " + endswith("abc", "") + "\n");
// expect: true false false true

attempt("split with a number", function() { return split("a", 1); });
// expect: split with a number: parameter 2 has an invalid type 'integer' ; expected: 'string'
attempt("split with no separators", function() { return split("abc", ""); });
// expect: split with no separators: empty separators string
attempt("strip with nothing", function() { return strip(); });  // expect: strip with nothing: wrong number of parameters
attempt("escape of a number", function() { return escape(5); });
// expect: escape of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
attempt("startswith with one argument", function() { return startswith("a"); });  // expect: startswith with one argument: wrong number of parameters
