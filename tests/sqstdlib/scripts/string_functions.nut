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

print("[" + strip("  \t hello world \n ") + "]\n");
print("[" + lstrip("  a b  ") + "][" + rstrip("  a b  ") + "]\n");
print("[" + strip("") + "][" + strip("   ") + "][" + lstrip(" \n ") + "][" + rstrip("   ") + "][" + rstrip("x") + "]\n");
print("[" + strip("none") + "][" + lstrip("\r\v\fx") + "]\n");

print(show(split("a,b,,c", ",")) + "\n");
print(show(split("  one two\tthree ", " \t")) + "\n");
print(show(split("", ",")) + "\n");
print(show(split(",,,", ",")) + "\n");
print(show(split("key=value;x=y", "=;")) + "\n");

print(escape("plain") + "\n");
print(escape("a\"b'c\\d") + "\n");
print(escape("tab\there\nnew line\r") + "\n");
print(escape("\x01\x7f\xe9") + "\n");
print(escape("nul\0end") + "\n");
print("[" + escape("") + "]\n");

print(startswith("squirrel", "squ") + " " + startswith("squirrel", "rel") + " " + startswith("sq", "squirrel") + " " + startswith("abc", "") + "\n");
print(endswith("squirrel", "rel") + " " + endswith("squirrel", "squ") + " " + endswith("l", "rel") + " " + endswith("abc", "") + "\n");

attempt("split with a number", function() { return split("a", 1); });
attempt("split with no separators", function() { return split("abc", ""); });
attempt("strip with nothing", function() { return strip(); });
attempt("escape of a number", function() { return escape(5); });
attempt("startswith with one argument", function() { return startswith("a"); });
