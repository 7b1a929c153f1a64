// Methods of one library class called on an instance of another are refused by the type tag.
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
