// Indexes outside a blob and arguments of the wrong type.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("index past the end", function() { local b = blob(2); return b[2]; });  // expect: index past the end: index out of range
attempt("index negative", function() { local b = blob(2); b[-1] = 0; });  // expect: index negative: index out of range
attempt("index of an empty blob", function() { return blob()[0]; });  // expect: index of an empty blob: index out of range
attempt("writeblob of a non-blob", function() { return blob(2).writeblob(regexp("a")); });  // expect: writeblob of a non-blob: invalid parameter
attempt("writen of a string", function() { return blob(2).writen("a", 'b'); });
// expect: writen of a string: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
attempt("blob of a string", function() { return blob("8"); });
// expect: blob of a string: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
attempt("casti2f of a string", function() { return casti2f("1"); });
// expect: casti2f of a string: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
