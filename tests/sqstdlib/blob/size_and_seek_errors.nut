// Negative sizes and seeks outside a blob fail and keep the position; the origin must be b, c or e.
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
