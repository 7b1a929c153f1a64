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
}

attempt("too few values", function() { return format("%d %d", 1); });
attempt("no value at all", function() { return format("%s"); });
attempt("string for %s", function() { return format("%s", 1); });
attempt("integer for %d", function() { return format("%d", "x"); });
attempt("integer for %x", function() { return format("%x", null); });
attempt("float for %f", function() { return format("%f", "x"); });
attempt("float for %g", function() { return format("%g", [1]); });
attempt("unknown conversion", function() { return format("%y", 1); });
attempt("percent at the end", function() { return format("50%", 1); });
attempt("width of three digits", function() { return format("%123d", 1); });
attempt("precision of three digits", function() { return format("%.123f", 1.0); });
attempt("too many flags", function() { return format("%-----------------------d", 1); });
attempt("width of two digits", function() { return format("%99d", 1).len(); });
attempt("no format", function() { return format(); });
attempt("format of a number", function() { return format(5); });
attempt("extra values are ignored", function() { return format("%d", 1, 2, 3); });
