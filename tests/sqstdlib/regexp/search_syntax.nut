// search over the whole syntax: each row is a pattern and a text, next to the span found.
local cases = [
    ["abc", "xxabcxx"],  // expect: abc  2-5
    ["a.c", "a\nc"],  // expect: a.c  0-3
    ["^abc", "abcabc"],  // expect: ^abc  0-3
    ["^abc", "xabc"],  // expect: ^abc  null
    ["abc$", "abcabc"],  // expect: abc$  3-6
    ["a|b|c", "xxcba"],  // expect: a|b|c  2-3
    ["(ab)+", "xababab"],  // expect: (ab)+  1-7
    ["a*", "bbb"],  // expect: a*  0-0
    ["a+", "baaab"],  // expect: a+  1-4
    ["ba?c", "xbcx"],  // expect: ba?c  1-3
    ["a{2}", "aaaa"],  // expect: a{2}  0-2
    ["a{2,}", "baaaab"],  // expect: a{2,}  1-5
    ["a{1,2}", "aaa"],  // expect: a{1,2}  0-2
    ["a{3,1}", "aaaa"],  // expect: a{3,1}  null
    ["\\d+", "abc 12345 def"],  // expect: \d+  4-9
    ["\\D+", "123abc456"],  // expect: \D+  3-6
    ["\\w+", "  hello_1 world"],  // expect: \w+  2-9
    ["\\W+", "abc!@#def"],  // expect: \W+  3-6
    ["\\s+", "a \t\nb"],  // expect: \s+  1-4
    ["\\S+", "   xyz  "],  // expect: \S+  3-6
    ["\\a+", "12ab34"],  // expect: \a+  2-4
    ["\\A+", "ab12cd"],  // expect: \A+  2-4
    ["\\x+", "zz0fAgz"],  // expect: \x+  2-5
    ["\\X+", "0fzzA"],  // expect: \X+  2-4
    ["\\c", "ab\tc"],  // expect: \c  2-3
    ["\\C+", "\t\tab\t"],  // expect: \C+  2-4
    ["\\p+", "ab.,;cd"],  // expect: \p+  2-5
    ["\\P+", ".,ab;"],  // expect: \P+  2-4
    ["\\l+", "ABcdEF"],  // expect: \l+  2-4
    ["\\u+", "abCDef"],  // expect: \u+  2-4
    ["[a-c]+", "xxabcabcd"],  // expect: [a-c]+  2-8
    ["[^a-c]+", "abcxyzabc"],  // expect: [^a-c]+  3-6
    ["[\\d_]+", "ab1_2cd"],  // expect: [\d_]+  2-5
    ["[-a]+", "b-a-b"],  // expect: [-a]+  1-4
    ["[a-]+", "b-a-b"],  // expect: [a-]+  1-4
    ["[\\]x]+", "ab]x]c"],  // expect: [\]x]+  2-5
    ["[\\t ]+", "a \t b"],  // expect: [\t ]+  1-4
    ["\\bcat\\b", "concat cat"],  // expect: \bcat\b  7-10
    ["\\Bcat", "cat concat"],  // expect: \Bcat  7-10
    ["\\b", "  word"],  // expect: \b  2-2
    ["a.*b", "axxbyyb"],  // expect: a.*b  0-4
    ["a.*?b", "axxbyyb"],  // expect: a.*?b  0-4
    ["a+?", "aaa"],  // expect: a+?  0-1
    ["a??b", "ab"],  // expect: a??b  0-2
    ["a{2,3}?", "aaaa"],  // expect: a{2,3}?  0-2
    ["a*?$", "baaa"],  // expect: a*?$  1-4
    ["\\.", "a.b"],  // expect: \.  1-2
    ["\\t", "a\tb"],  // expect: \t  1-2
    ["\\\\", "a\\b"],  // expect: \\  1-2
    ["\\(\\)", "f()"],  // expect: \(\)  1-3
    ["(?:ab)+c", "ababc"],  // expect: (?:ab)+c  0-5
    ["x*$", "abc"],  // expect: x*$  null
    ["", "abc"],  // expect:   0-0
    ["$", "abc"],  // expect: $  null
    ["a*", ""],  // expect: a*  null
    ["(a|ab)(c|bcd)(d*)", "abcd"],  // expect: (a|ab)(c|bcd)(d*)  0-4
    ["(a*)*b", "aaab"],  // expect: (a*)*b  0-4
    ["*a", "x*a"],  // expect: *a  1-3
    ["nomatch", "abc"],  // expect: nomatch  null
];
foreach (c in cases) {
    local m = regexp(c[0]).search(c[1]);
    print(c[0] + "  " + (m == null ? "null" : m.begin + "-" + m.end) + "\n");
}
