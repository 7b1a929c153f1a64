// Copies made by clone without a _cloned, and a bare stream, hold no object; a class derived from blob works.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("clone of a file", function() { return (clone stdout).tell(); });  // expect: clone of a file: the stream is invalid
attempt("clone of a regexp", function() { return (clone regexp("a")).match("a"); });  // expect: clone of a regexp: the regexp is invalid
attempt("a bare stream", function() { return stream().len(); });  // expect: a bare stream: the stream is invalid
class Bytes extends blob {
    function first() { return this[0]; }
}
local derived = Bytes(3);
derived[0] = 42;
print("a class derived from blob: " + derived.first() + " " + derived.len() + " " + (derived instanceof blob) + "\n");
// expect: a class derived from blob: 42 3 true
