// Reading, writing and seeking outside a blob, negative sizes and bad arguments raise errors.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("negative size", function() { return blob(-1); });
attempt("resize negative", function() { local b = blob(2); b.resize(-1); return b.len(); });
attempt("seek past the end", function() { local b = blob(2); b.seek(3); });
attempt("seek before the start", function() { local b = blob(2); b.seek(-1); });
attempt("seek after the end from the end", function() { local b = blob(2); b.seek(1, 'e'); });
attempt("seek before the start from here", function() { local b = blob(2); b.seek(1); b.seek(-2, 'c'); });
attempt("failed seek keeps the position", function() {
    local b = blob(4);
    b.seek(2);
    try { b.seek(9); } catch (e) {}
    return b.tell();
});
attempt("seek origin", function() { local b = blob(2); b.seek(0, 'x'); });
attempt("readn at the end", function() { local b = blob(2); b.seek(2); return b.readn('b'); });
attempt("readn short", function() { local b = blob(3); return b.readn('i'); });
attempt("readblob at the end", function() { local b = blob(2); b.seek(2); return b.readblob(1); });
attempt("readblob of nothing", function() { return blob(2).readblob(0); });
attempt("readblob negative", function() { return blob(2).readblob(-4); });
attempt("readblob of far more than the blob holds", function() { return blob(2).readblob(0x7FFFFFFF).len(); });
attempt("readn format", function() { return blob(2).readn('z'); });
attempt("writen format", function() { return blob(2).writen(1, 'z'); });
attempt("index past the end", function() { local b = blob(2); return b[2]; });
attempt("index negative", function() { local b = blob(2); b[-1] = 0; });
attempt("index of an empty blob", function() { return blob()[0]; });
attempt("writeblob of a non-blob", function() { return blob(2).writeblob(regexp("a")); });
attempt("writen of a string", function() { return blob(2).writen("a", 'b'); });
attempt("blob of a string", function() { return blob("8"); });
attempt("casti2f of a string", function() { return casti2f("1"); });
