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
// expect: a.*b in "axxbyyb": 0-4 'axxb'
// expect: a.* in "axxbyyb": 0-7 'axxbyyb'
// expect: a.*b$ in "axxbyyb": null
// expect: a.*b$ in "axxb": 0-4 'axxb'
// expect: <.+> in "<a><b>": 0-3 '<a>'
// expect: <.*> in "<><b>": 0-5 '<><b>'
// expect: \d+\d in "12345": 0-2 '12'
// expect: a+a in "aaaa": 0-2 'aa'
// expect: a*b*c in "aaabbbc": 0-7 'aaabbbc'
// expect: a*b+ in "aaabbb": 0-6 'aaabbb'
// expect: x.{2,4}y in "x12y34y": 0-4 'x12y'
// expect: x.{2,4}y in "xy12y": 0-5 'xy12y'
// expect: x.{2,4}y in "x12345y": null
// expect: x.{3} in "xabcdef": 0-4 'xabc'
// expect: (a.*)b in "axxbyyb": 0-4 'axxb'
// expect: (?:a.*)b in "axxbyyb": 0-4 'axxb'
// expect: (a.*|z)b in "axxbyyb": null
// expect: (a|ab)c in "abc": null
// expect: (ab|a)c in "abc": 0-3 'abc'
// expect: (\w+) (\w+) in "one two three": 0-7 'one two'
// expect: [a-z]+\d in "abc1def2": 0-4 'abc1'
// expect: a?b in "ab": 0-2 'ab'
// expect: a?a in "a": null
// expect: .*?x in "abxcx": 0-3 'abx'
// expect: a+? in "aaa": 0-1 'a'
// expect: a{2,3}? in "aaaa": 0-2 'aa'
// expect: a^b in "a^b": 0-3 'a^b'
// expect: x|^b in "ab": null
// expect: (^a) in "ba": null

print("-- match tests the whole text\n");  // expect: -- match tests the whole text
foreach (c in [["a.*b", "axxbyyb"], ["a.*b", "axxb"], ["a.*", "axxbyyb"], ["(a|ab)", "ab"], ["\\d{2,3}", "1234"],
               ["\\d{2,3}", "123"], ["a*", ""], ["a+", ""]])
    print(c[0] + " ~ \"" + c[1] + "\": " + regexp(c[0]).match(c[1]) + "\n");
    // expect: a.*b ~ "axxbyyb": false
    // expect: a.*b ~ "axxb": true
    // expect: a.* ~ "axxbyyb": true
    // expect: (a|ab) ~ "ab": false
    // expect: \d{2,3} ~ "1234": false
    // expect: \d{2,3} ~ "123": true
    // expect: a* ~ "": true
    // expect: a+ ~ "": false

print("-- empty texts and the end of the text\n");  // expect: -- empty texts and the end of the text
show("a*", "");  // expect: a* in "": null
show("$", "abc");  // expect: $ in "abc": null
show("c$", "abc");  // expect: c$ in "abc": 2-3 'c'
show("x*", "abc");  // expect: x* in "abc": 0-0 ''

print("-- \\b against spaces\n");  // expect: -- \b against spaces
foreach (c in [["\\bcat\\b", "concat cat"], ["\\bcat", "(cat)"], ["cat\\b", "cat."], ["\\bcat\\b", "a cat b"],
               ["\\b", "  word"], ["\\b\\w+\\b", "  two words"], ["\\B\\w", "ab cd"], ["\\b.", "x-y"],
               ["o\\b", "foo\tbar"], ["\\b", ""]])
    show(c[0], c[1]);
    // expect: \bcat\b in "concat cat": 7-10 'cat'
    // expect: \bcat in "(cat)": null
    // expect: cat\b in "cat.": null
    // expect: \bcat\b in "a cat b": 2-5 'cat'
    // expect: \b in "  word": 2-2 ''
    // expect: \b\w+\b in "  two words": 2-5 'two'
    // expect: \B\w in "ab cd": 1-2 'b'
    // expect: \b. in "x-y": 0-1 'x'
    // expect-escaped: o\\b in "foo\tbar": 2-3 'o'
    // expect: \b in "": null

print("-- captures\n");  // expect: -- captures
function capture(pattern, text) {
    local all = regexp(pattern).capture(text);
    local s = pattern + " in \"" + text + "\":";
    if (all == null) return print(s + " null\n");
    foreach (m in all) s += " " + m.begin + "-" + m.end + "'" + text.slice(m.begin, m.end) + "'";
    print(s + "\n");
}
capture("(a.*)(b)", "axxbyyb");  // expect: (a.*)(b) in "axxbyyb": 0-4'axxb' 0-3'axx' 3-4'b'
capture("(\\w+)=(\\d*)", "key=123 rest");  // expect: (\w+)=(\d*) in "key=123 rest": 0-7'key=123' 0-3'key' 4-7'123'
capture("(\\w)+", "abc");  // expect: (\w)+ in "abc": 0-3'abc' 2-3'c'
capture("(x)?y", "y");  // expect: (x)?y in "y": 0-1'y' 0-0''
capture("(?:(a)|(b))c", "bc");  // expect: (?:(a)|(b))c in "bc": 0-2'bc' 0-0'' 0-1'b'
capture("((a)(b))(c)", "abc");  // expect: ((a)(b))(c) in "abc": 0-3'abc' 0-2'ab' 0-1'a' 1-2'b' 2-3'c'
