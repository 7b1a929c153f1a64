// A 0 followed by an octal digit starts an octal literal; 08, 09 and 08.5 are decimal.
print(017 + " " + 010 + " " + 00 + " " + 07 + " " + 0777 + "\n"); // expect: 15 8 0 7 511
print(08 + " " + 09 + " " + 08.5 + " " + 090 + " " + 0 + " " + 0.5 + "\n"); // expect: 8 9 8.5 90 0 0.5
print(typeof 08 + " " + typeof 08.5 + " " + typeof 017 + "\n"); // expect: integer float integer
print(0x1F + " " + 0e1 + " " + 09e1 + " " + -017 + "\n"); // expect: 31 0 90 -15
function attempt(source) {
    try { print(compilestring("return " + source + ";")() + "\n"); } catch (e) print(e + "\n");
}
attempt("018"); // expect: invalid octal number
attempt("0179"); // expect: invalid octal number
attempt("019"); // expect: invalid octal number
attempt("0089"); // expect: invalid octal number
attempt("037777777777"); // expect: -1
