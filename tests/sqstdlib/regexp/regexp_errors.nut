// Invalid patterns raise the compiler's message; deep or long patterns and texts stay bounded.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

foreach (pattern in ["(abc", "abc)", "[abc", "[]", "[^]", "[z-a]", "a{", "a{x}", "a{1x", "a{1,2",
                     "a**", "a+*", "\\", "[a\\", "[\\d-z]", "[a-\\d]", "(?x)", "a{70000}"]) {
    attempt(pattern, function() { return typeof regexp(pattern); });
    // expect: (abc: expected paren
    // expect: abc): unexpected character
    // expect: [abc: letter expected
    // expect: []: empty class
    // expect: [^]: empty class
    // expect: [z-a]: invalid range
    // expect: a{: number expected
    // expect: a{x}: number expected
    // expect: a{1x: , or } expected
    // expect: a{1,2: expected paren
    // expect: a**: unexpected character
    // expect: a+*: unexpected character
    // expect: \: letter expected
    // expect: [a\: letter expected
    // expect: [\d-z]: cannot use character classes in ranges
    // expect: [a-\d]: cannot use character classes in ranges
    // expect: (?x): expected paren
    // expect: a{70000}: overflow in numeric constant
}
attempt("regexp of a number", function() { return regexp(5); });
// expect: regexp of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'

function repeat(text, times) {
    local result = "";
    for (local i = 0; i < times; i++) result += text;
    return result;
}
attempt("groups nested 200 deep", function() { return regexp(repeat("(", 200) + "a" + repeat(")", 200)).match("a"); });
// expect: groups nested 200 deep: ok true
attempt("groups nested 2000 deep", function() { return regexp(repeat("(", 2000) + "a" + repeat(")", 2000)); });
// expect: groups nested 2000 deep: expression too deeply nested

local long = "ab";
for (local i = 0; i < 16; i++) long += long;
attempt("a pattern of 131072 characters", function() { return regexp(long).match(long); });  // expect: a pattern of 131072 characters: ok true
attempt("alternation over a text of 131072 characters", function() { return regexp("(a|b)*").match(long); });
// expect: alternation over a text of 131072 characters: ok true
attempt("lazy loop over a long text", function() { return regexp("a.*?b$").search(long).end; });  // expect: lazy loop over a long text: ok 131072
attempt("large counts stay compact", function() { return regexp("((a{1000}){1000}){100}").match("aaa"); });
// expect: large counts stay compact: ok false
attempt("a repeated group that may match nothing", function() { return regexp("(a*)*b").match(repeat("a", 40)); });
// expect: a repeated group that may match nothing: ok false
attempt("nested repetitions that test their followers",
// expect: nested repetitions that test their followers: regular expression too complex for the text
        function() { return regexp(".*(.*(.*(.*z)))").search(repeat("a", 3000)); });
attempt("a chain of 3000 repetitions each testing the next",
// expect: a chain of 3000 repetitions each testing the next: regular expression too complex for the text
        function() { return regexp(repeat("a+", 3000)).search(repeat("a", 3000)); });
attempt("a chain of 300 repetitions", function() { return regexp(repeat("a+", 300)).search(repeat("a", 3000)).end; });
// expect: a chain of 300 repetitions: ok 3000
