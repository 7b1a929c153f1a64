// A pattern that ends inside a class range or where a character is expected is refused.
function attempt(pattern) {
    try { print(pattern + ": " + typeof regexp(pattern) + "\n"); } catch (e) print(pattern + ": " + e + "\n");
}
attempt("[a-"); // expect: [a-: invalid range
attempt("[^0-"); // expect: [^0-: invalid range
attempt("("); // expect: (: letter expected
attempt("a("); // expect: a(: letter expected
attempt("(?:"); // expect: (?:: letter expected
attempt("[a"); // expect: [a: letter expected
attempt("["); // expect: [: letter expected
attempt("[^"); // expect: [^: letter expected
attempt("a|"); // expect: a|: letter expected
attempt("(a|"); // expect: (a|: letter expected
attempt("\\"); // expect: \: letter expected
attempt("[z-a]"); // expect: [z-a]: invalid range
attempt("[a-]"); // expect: [a-]: regexp
attempt("(a)"); // expect: (a): regexp
