// format: every conversion with flags, width and precision, and the type checks.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

local cases = [
    ["%d|%5d|%-5d|%05d|%+d|% d", [42, 42, 42, 42, 42, 42]],
    ["%i %x %X %o %c %u", [255, 255, 255, 8, 65, 7]],
    ["%#x %#o %#X", [255, 8, 171]],
    ["%d %x %u", [-1, -1, -1]],
    ["%f|%.2f|%10.3f|%-8.1f|", [1.5, 3.14159, 2.5, -0.25]],
    ["%e %E %.3e", [12345.678, 0.00012, 1.0]],
    ["%g %G %g %g %.3g", [0.0001, 1.0e20, 100000.0, 1000000.0, 3.14159]],
    ["%s and %s", ["this", "that"]],
    ["[%10s][%-10s][%.2s]", ["right", "left", "cut"]],
    ["100%% %d%%", [5]],
    ["%d %f %5.1f", [7.9, 3, 2]],
    ["%c%c%c", [83, 81, 76]],
    ["no conversions", []],
    ["", []],
];
foreach (c in cases) {
    local args = [this, c[0]];
    foreach (value in c[1]) args.append(value);
    print("[" + format.acall(args) + "]\n");
    // expect: [42|   42|42   |00042|+42| 42]
    // expect: [255 ff FF 10 A 7]
    // expect: [0xff 010 0XAB]
    // expect: [-1 ffffffff 4294967295]
    // expect: [1.500000|3.14|     2.500|-0.2    |]
    // expect: [1.234568e+04 1.200000E-04 1.000e+00]
    // expect: [0.0001 1E+20 100000 1e+06 3.14]
    // expect: [this and that]
    // expect: [[     right][left      ][cu]]
    // expect: [100% 5%]
    // expect: [7 3.000000   2.0]
    // expect: [SQL]
    // expect: [no conversions]
    // expect: []
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
