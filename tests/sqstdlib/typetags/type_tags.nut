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
attempt("regexp.match on a blob", function() { return regexp("a").match.call(blob(1), "a"); });  // expect: regexp.match on a blob: invalid type tag
attempt("blob.len on a regexp", function() { return blob(1).len.call(regexp("a")); });  // expect: blob.len on a regexp: invalid type tag
attempt("blob.resize on a file", function() { return blob(1).resize.call(stdout, 4); });  // expect: blob.resize on a file: invalid type tag
attempt("blob.len on a plain instance", function() { return blob(1).len.call(Plain()); });  // expect: blob.len on a plain instance: invalid type tag
attempt("file.close on a blob", function() { return stdout.close.call(blob(1)); });  // expect: file.close on a blob: ok (null : 0x(nil))
attempt("stream.tell on a file", function() { return stdout.tell.call(stdout) >= -1; });  // expect: stream.tell on a file: ok true
print(typeof stream + " " + (blob(1) instanceof stream) + " " + (regexp("a") instanceof stream) + "\n");  // expect: class true false

// Constructors called again replace the object (the old one is released); borrowed ones refuse.
local again = blob(2);
again.constructor(5);
print("blob constructed again: " + again.len() + "\n");  // expect: blob constructed again: 5
local pattern = regexp("a+");
pattern.constructor("b+");
print("regexp constructed again: " + pattern.match("bbb") + " " + pattern.match("aaa") + "\n");  // expect: regexp constructed again: true false
attempt("blob constructor on a regexp", function() { return blob.constructor.call(regexp("a"), 4); });
// expect: blob constructor on a regexp: invalid type tag
attempt("regexp constructor on a blob", function() { return regexp.constructor.call(blob(1), "a"); });
// expect: regexp constructor on a blob: invalid type tag
attempt("blob _cloned on a regexp", function() { return blob._cloned.call(regexp("a"), blob(1)); });
// expect: blob _cloned on a regexp: the index '_cloned' does not exist

// Copies made by clone without a _cloned, and a bare stream, hold no object.
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
