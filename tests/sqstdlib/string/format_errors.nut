// format: missing and mistyped values, unknown conversions, overlong widths and precisions.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("too few values", function() { return format("%d %d", 1); });  // expect: too few values: not enough paramters for the given format string
attempt("no value at all", function() { return format("%s"); });  // expect: no value at all: not enough paramters for the given format string
attempt("string for %s", function() { return format("%s", 1); });  // expect: string for %s: string expected for the specified format
attempt("integer for %d", function() { return format("%d", "x"); });  // expect: integer for %d: integer expected for the specified format
attempt("integer for %x", function() { return format("%x", null); });  // expect: integer for %x: integer expected for the specified format
attempt("float for %f", function() { return format("%f", "x"); });  // expect: float for %f: float expected for the specified format
attempt("float for %g", function() { return format("%g", [1]); });  // expect: float for %g: float expected for the specified format
attempt("unknown conversion", function() { return format("%y", 1); });  // expect: unknown conversion: invalid format
attempt("percent at the end", function() { return format("50%", 1); });  // expect: percent at the end: invalid format
attempt("width of three digits", function() { return format("%123d", 1); });  // expect: width of three digits: width format too long
attempt("precision of three digits", function() { return format("%.123f", 1.0); });  // expect: precision of three digits: precision format too long
attempt("too many flags", function() { return format("%-----------------------d", 1); });  // expect: too many flags: format too long
attempt("width of two digits", function() { return format("%99d", 1).len(); });  // expect: width of two digits: ok 99
attempt("no format", function() { return format(); });  // expect: no format: wrong number of parameters
attempt("format of a number", function() { return format(5); });
// expect: format of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
attempt("extra values are ignored", function() { return format("%d", 1, 2, 3); });  // expect: extra values are ignored: ok 1
