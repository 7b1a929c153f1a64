// Methods of one library class called on an instance of another are refused, not misread.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

class Plain {}
attempt("regexp.match on a blob", function() { return regexp("a").match.call(blob(1), "a"); });
attempt("blob.len on a regexp", function() { return blob(1).len.call(regexp("a")); });
attempt("blob.resize on a file", function() { return blob(1).resize.call(stdout, 4); });
attempt("blob.len on a plain instance", function() { return blob(1).len.call(Plain()); });
attempt("file.close on a blob", function() { return stdout.close.call(blob(1)); });
attempt("stream.tell on a file", function() { return stdout.tell.call(stdout) >= -1; });
print(typeof stream + " " + (blob(1) instanceof stream) + " " + (regexp("a") instanceof stream) + "\n");

// Constructors called again replace the object (the old one is released); borrowed ones refuse.
local again = blob(2);
again.constructor(5);
print("blob constructed again: " + again.len() + "\n");
local pattern = regexp("a+");
pattern.constructor("b+");
print("regexp constructed again: " + pattern.match("bbb") + " " + pattern.match("aaa") + "\n");
attempt("blob constructor on a regexp", function() { return blob.constructor.call(regexp("a"), 4); });
attempt("regexp constructor on a blob", function() { return regexp.constructor.call(blob(1), "a"); });
attempt("blob _cloned on a regexp", function() { return blob._cloned.call(regexp("a"), blob(1)); });

// Copies made by clone without a _cloned, and a bare stream, hold no object.
attempt("clone of a file", function() { return (clone stdout).tell(); });
attempt("clone of a regexp", function() { return (clone regexp("a")).match("a"); });
attempt("a bare stream", function() { return stream().len(); });
class Bytes extends blob {
    function first() { return this[0]; }
}
local derived = Bytes(3);
derived[0] = 42;
print("a class derived from blob: " + derived.first() + " " + derived.len() + " " + (derived instanceof blob) + "\n");
