// Reading past the end of a blob, short reads, negative and oversized readblob, unknown number formats.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

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
