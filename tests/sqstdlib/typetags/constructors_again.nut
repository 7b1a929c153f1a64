// Constructors called again replace the object (the old one is released); on another class they are refused.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

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
