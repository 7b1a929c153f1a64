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
}
attempt("regexp of a number", function() { return regexp(5); });

function repeat(text, times) {
    local result = "";
    for (local i = 0; i < times; i++) result += text;
    return result;
}
attempt("groups nested 200 deep", function() { return regexp(repeat("(", 200) + "a" + repeat(")", 200)).match("a"); });
attempt("groups nested 2000 deep", function() { return regexp(repeat("(", 2000) + "a" + repeat(")", 2000)); });

local long = "ab";
for (local i = 0; i < 16; i++) long += long;
attempt("a pattern of 131072 characters", function() { return regexp(long).match(long); });
attempt("alternation over a text of 131072 characters", function() { return regexp("(a|b)*").match(long); });
attempt("lazy loop over a long text", function() { return regexp("a.*?b$").search(long).end; });
attempt("large counts stay compact", function() { return regexp("((a{1000}){1000}){100}").match("aaa"); });
attempt("a repeated group that may match nothing", function() { return regexp("(a*)*b").match(repeat("a", 40)); });
attempt("nested repetitions that test their followers",
        function() { return regexp(".*(.*(.*(.*z)))").search(repeat("a", 3000)); });
attempt("a chain of 3000 repetitions each testing the next",
        function() { return regexp(repeat("a+", 3000)).search(repeat("a", 3000)); });
attempt("a chain of 300 repetitions", function() { return regexp(repeat("a+", 300)).search(repeat("a", 3000)).end; });
