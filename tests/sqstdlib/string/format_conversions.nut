// format: every conversion with flags, width and precision, each row next to its result.
local cases = [
    ["%d|%5d|%-5d|%05d|%+d|% d", [42, 42, 42, 42, 42, 42]],  // expect: [42|   42|42   |00042|+42| 42]
    ["%i %x %X %o %c %u", [255, 255, 255, 8, 65, 7]],  // expect: [255 ff FF 10 A 7]
    ["%#x %#o %#X", [255, 8, 171]],  // expect: [0xff 010 0XAB]
    ["%d %x %u", [-1, -1, -1]],  // expect: [-1 ffffffff 4294967295]
    ["%f|%.2f|%10.3f|%-8.1f|", [1.5, 3.14159, 2.5, -0.25]],  // expect: [1.500000|3.14|     2.500|-0.2    |]
    ["%e %E %.3e", [12345.678, 0.00012, 1.0]],  // expect: [1.234568e+04 1.200000E-04 1.000e+00]
    ["%g %G %g %g %.3g", [0.0001, 1.0e20, 100000.0, 1000000.0, 3.14159]],  // expect: [0.0001 1E+20 100000 1e+06 3.14]
    ["%s and %s", ["this", "that"]],  // expect: [this and that]
    ["[%10s][%-10s][%.2s]", ["right", "left", "cut"]],  // expect: [[     right][left      ][cu]]
    ["100%% %d%%", [5]],  // expect: [100% 5%]
    ["%d %f %5.1f", [7.9, 3, 2]],  // expect: [7 3.000000   2.0]
    ["%c%c%c", [83, 81, 76]],  // expect: [SQL]
    ["no conversions", []],  // expect: [no conversions]
    ["", []],  // expect: []
];
foreach (c in cases) {
    local args = [this, c[0]];
    foreach (value in c[1]) args.append(value);
    print("[" + format.acall(args) + "]\n");
}
