// What the compiler refuses in the lambda syntax, with its message.
function attempt(source) {
    try {
        compilestring(source);
        print("compiled\n");
    } catch (e) {
        print(e + "\n");
    }
}
attempt("local f = @ a + 1;"); // expect: expected '('
attempt("local f = @;"); // expect: expected '('
attempt("local f = @"); // expect: expected '('
attempt("local f = @[1];"); // expect: expected '('
attempt("local f = @(a) ;"); // expect: expression expected
attempt("local f = @(a)"); // expect: expression expected
attempt("local f = @(a) return a;"); // expect: expression expected
attempt("local f = @(a b) a;"); // expect: expected ')' or ','
attempt("local f = @(a, b = 1, c) a;"); // expect: expected '='
attempt("local f = @(a = 1, ...) a;"); // expect: function with default parameters cannot have variable number of parameters
attempt("local f = @(..., a) a;"); // expect: expected ')'
attempt("local f = @(1) 1;"); // expect: expected 'IDENTIFIER'
attempt("local f = @(a) a = ;"); // expect: expression expected
attempt("@(a) a + 1;"); // expect: compiled
attempt("local f = @(a) a; f = @() @() @() 3;"); // expect: compiled
attempt("@\"verbatim\";"); // expect: compiled
attempt("@\"unfinished"); // expect: unfinished string
