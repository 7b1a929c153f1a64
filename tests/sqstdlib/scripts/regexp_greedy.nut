// Repetitions stop at the first place where the node after them matches; nothing backtracks.
function show(pattern, text) {
    local m = regexp(pattern).search(text);
    print(pattern + " in \"" + text + "\": " + (m == null ? "null" : m.begin + "-" + m.end + " '" + text.slice(m.begin, m.end) + "'") + "\n");
}
local cases = [
    ["a.*b", "axxbyyb"],          // stops at the first b
    ["a.*", "axxbyyb"],           // nothing follows: fully greedy
    ["a.*b$", "axxbyyb"],         // stops at the first b, then $ fails there
    ["a.*b$", "axxb"],
    ["<.+>", "<a><b>"],
    ["<.*>", "<><b>"],            // takes one turn before testing the follower
    ["\\d+\\d", "12345"],         // the follower is tested after each turn
    ["a+a", "aaaa"],
    ["a*b*c", "aaabbbc"],         // a follower that may match nothing is not tested
    ["a*b+", "aaabbb"],
    ["x.{2,4}y", "x12y34y"],      // the minimum comes first
    ["x.{2,4}y", "xy12y"],
    ["x.{2,4}y", "x12345y"],
    ["x.{3}", "xabcdef"],
    ["(a.*)b", "axxbyyb"],        // the node after a group ends its last repetition
    ["(?:a.*)b", "axxbyyb"],
    ["(a.*|z)b", "axxbyyb"],      // an alternation's branch ignores what follows it
    ["(a|ab)c", "abc"],           // the first branch that matches is kept
    ["(ab|a)c", "abc"],
    ["(\\w+) (\\w+)", "one two three"],
    ["[a-z]+\\d", "abc1def2"],
    ["a?b", "ab"],
    ["a?a", "a"],
    [".*?x", "abxcx"],            // lazy: tests the follower before each turn
    ["a+?", "aaa"],
    ["a{2,3}?", "aaaa"],
    ["a^b", "a^b"],               // ^ inside a branch is a literal
    ["x|^b", "ab"],
    ["(^a)", "ba"],
];
foreach (c in cases) show(c[0], c[1]);

print("-- match tests the whole text\n");
foreach (c in [["a.*b", "axxbyyb"], ["a.*b", "axxb"], ["a.*", "axxbyyb"], ["(a|ab)", "ab"], ["\\d{2,3}", "1234"],
               ["\\d{2,3}", "123"], ["a*", ""], ["a+", ""]])
    print(c[0] + " ~ \"" + c[1] + "\": " + regexp(c[0]).match(c[1]) + "\n");

print("-- empty texts and the end of the text\n");
show("a*", "");
show("$", "abc");
show("c$", "abc");
show("x*", "abc");

print("-- \\b against spaces\n");
foreach (c in [["\\bcat\\b", "concat cat"], ["\\bcat", "(cat)"], ["cat\\b", "cat."], ["\\bcat\\b", "a cat b"],
               ["\\b", "  word"], ["\\b\\w+\\b", "  two words"], ["\\B\\w", "ab cd"], ["\\b.", "x-y"],
               ["o\\b", "foo\tbar"], ["\\b", ""]])
    show(c[0], c[1]);

print("-- captures\n");
function capture(pattern, text) {
    local all = regexp(pattern).capture(text);
    local s = pattern + " in \"" + text + "\":";
    if (all == null) return print(s + " null\n");
    foreach (m in all) s += " " + m.begin + "-" + m.end + "'" + text.slice(m.begin, m.end) + "'";
    print(s + "\n");
}
capture("(a.*)(b)", "axxbyyb");
capture("(\\w+)=(\\d*)", "key=123 rest");
capture("(\\w)+", "abc");
capture("(x)?y", "y");
capture("(?:(a)|(b))c", "bc");
capture("((a)(b))(c)", "abc");
