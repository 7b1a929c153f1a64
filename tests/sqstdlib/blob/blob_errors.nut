// Reading, writing and seeking outside a blob, negative sizes and bad arguments raise errors.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("negative size", function() { return blob(-1); });  // expect: negative size: cannot create blob with negative size
attempt("resize negative", function() { local b = blob(2); b.resize(-1); return b.len(); });
// expect: resize negative: cannot resize blob with negative size
attempt("seek past the end", function() { local b = blob(2); b.seek(3); });  // expect: seek past the end: seek out of range
attempt("seek before the start", function() { local b = blob(2); b.seek(-1); });  // expect: seek before the start: seek out of range
attempt("seek after the end from the end", function() { local b = blob(2); b.seek(1, 'e'); });
// expect: seek after the end from the end: seek out of range
attempt("seek before the start from here", function() { local b = blob(2); b.seek(1); b.seek(-2, 'c'); });
// expect: seek before the start from here: seek out of range
attempt("failed seek keeps the position", function() {  // expect: failed seek keeps the position: ok 2
    local b = blob(4);
    b.seek(2);
    try { b.seek(9); } catch (e) {}
    return b.tell();
});
attempt("seek origin", function() { local b = blob(2); b.seek(0, 'x'); });  // expect: seek origin: invalid origin
attempt("readn at the end", function() { local b = blob(2); b.seek(2); return b.readn('b'); });  // expect: readn at the end: io error
attempt("readn short", function() { local b = blob(3); return b.readn('i'); });  // expect: readn short: io error
attempt("readblob at the end", function() { local b = blob(2); b.seek(2); return b.readblob(1); });
// expect: readblob at the end: no data left to read
attempt("readblob of nothing", function() { return blob(2).readblob(0); });  // expect: readblob of nothing: invalid size
attempt("readblob negative", function() { return blob(2).readblob(-4); });  // expect: readblob negative: invalid size
attempt("readblob of far more than the blob holds", function() { return blob(2).readblob(0x7FFFFFFF).len(); });
// expect: readblob of far more than the blob holds: ok 2
attempt("readn format", function() { return blob(2).readn('z'); });  // expect: readn format: invalid format
attempt("writen format", function() { return blob(2).writen(1, 'z'); });  // expect: writen format: invalid format
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
