// Deep, long and costly patterns are refused or run in bounded time and stack.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

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
