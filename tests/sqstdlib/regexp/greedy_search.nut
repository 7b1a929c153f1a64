// Repetitions stop at the first place where the node after them matches; nothing backtracks.
function show(pattern, text) {
    local m = regexp(pattern).search(text);
    print(pattern + " in \"" + text + "\": " + (m == null ? "null" : m.begin + "-" + m.end + " '" + text.slice(m.begin, m.end) + "'") + "\n");
}

local cases = [
    // stops at the first b
    ["a.*b", "axxbyyb"],  // expect: a.*b in "axxbyyb": 0-4 'axxb'
    // nothing follows: fully greedy
    ["a.*", "axxbyyb"],  // expect: a.* in "axxbyyb": 0-7 'axxbyyb'
    // stops at the first b, then $ fails there
    ["a.*b$", "axxbyyb"],  // expect: a.*b$ in "axxbyyb": null
    ["a.*b$", "axxb"],  // expect: a.*b$ in "axxb": 0-4 'axxb'
    ["<.+>", "<a><b>"],  // expect: <.+> in "<a><b>": 0-3 '<a>'
    // takes one turn before testing the follower
    ["<.*>", "<><b>"],  // expect: <.*> in "<><b>": 0-5 '<><b>'
    // the follower is tested after each turn
    ["\\d+\\d", "12345"],  // expect: \d+\d in "12345": 0-2 '12'
    ["a+a", "aaaa"],  // expect: a+a in "aaaa": 0-2 'aa'
    // a follower that may match nothing is not tested
    ["a*b*c", "aaabbbc"],  // expect: a*b*c in "aaabbbc": 0-7 'aaabbbc'
    ["a*b+", "aaabbb"],  // expect: a*b+ in "aaabbb": 0-6 'aaabbb'
    // the minimum comes first
    ["x.{2,4}y", "x12y34y"],  // expect: x.{2,4}y in "x12y34y": 0-4 'x12y'
    ["x.{2,4}y", "xy12y"],  // expect: x.{2,4}y in "xy12y": 0-5 'xy12y'
    ["x.{2,4}y", "x12345y"],  // expect: x.{2,4}y in "x12345y": null
    ["x.{3}", "xabcdef"],  // expect: x.{3} in "xabcdef": 0-4 'xabc'
    // the node after a group ends its last repetition
    ["(a.*)b", "axxbyyb"],  // expect: (a.*)b in "axxbyyb": 0-4 'axxb'
    ["(?:a.*)b", "axxbyyb"],  // expect: (?:a.*)b in "axxbyyb": 0-4 'axxb'
    // an alternation's branch ignores what follows it
    ["(a.*|z)b", "axxbyyb"],  // expect: (a.*|z)b in "axxbyyb": null
    // the first branch that matches is kept
    ["(a|ab)c", "abc"],  // expect: (a|ab)c in "abc": null
    ["(ab|a)c", "abc"],  // expect: (ab|a)c in "abc": 0-3 'abc'
    ["(\\w+) (\\w+)", "one two three"],  // expect: (\w+) (\w+) in "one two three": 0-7 'one two'
    ["[a-z]+\\d", "abc1def2"],  // expect: [a-z]+\d in "abc1def2": 0-4 'abc1'
    ["a?b", "ab"],  // expect: a?b in "ab": 0-2 'ab'
    ["a?a", "a"],  // expect: a?a in "a": null
    // lazy: tests the follower before each turn
    [".*?x", "abxcx"],  // expect: .*?x in "abxcx": 0-3 'abx'
    ["a+?", "aaa"],  // expect: a+? in "aaa": 0-1 'a'
    ["a{2,3}?", "aaaa"],  // expect: a{2,3}? in "aaaa": 0-2 'aa'
    // ^ inside a branch is a literal
    ["a^b", "a^b"],  // expect: a^b in "a^b": 0-3 'a^b'
    ["x|^b", "ab"],  // expect: x|^b in "ab": null
    ["(^a)", "ba"],  // expect: (^a) in "ba": null
];
foreach (c in cases) show(c[0], c[1]);
