// regexp.search over the whole syntax: each row is a pattern, a text and the first match.
local cases = [
    ["abc", "xxabcxx"],
    ["a.c", "a\nc"],
    ["^abc", "abcabc"],
    ["^abc", "xabc"],
    ["abc$", "abcabc"],
    ["a|b|c", "xxcba"],
    ["(ab)+", "xababab"],
    ["a*", "bbb"],
    ["a+", "baaab"],
    ["ba?c", "xbcx"],
    ["a{2}", "aaaa"],
    ["a{2,}", "baaaab"],
    ["a{1,2}", "aaa"],
    ["a{3,1}", "aaaa"],
    ["\\d+", "abc 12345 def"],
    ["\\D+", "123abc456"],
    ["\\w+", "  hello_1 world"],
    ["\\W+", "abc!@#def"],
    ["\\s+", "a \t\nb"],
    ["\\S+", "   xyz  "],
    ["\\a+", "12ab34"],
    ["\\A+", "ab12cd"],
    ["\\x+", "zz0fAgz"],
    ["\\X+", "0fzzA"],
    ["\\c", "ab\tc"],
    ["\\C+", "\t\tab\t"],
    ["\\p+", "ab.,;cd"],
    ["\\P+", ".,ab;"],
    ["\\l+", "ABcdEF"],
    ["\\u+", "abCDef"],
    ["[a-c]+", "xxabcabcd"],
    ["[^a-c]+", "abcxyzabc"],
    ["[\\d_]+", "ab1_2cd"],
    ["[-a]+", "b-a-b"],
    ["[a-]+", "b-a-b"],
    ["[\\]x]+", "ab]x]c"],
    ["[\\t ]+", "a \t b"],
    ["\\bcat\\b", "concat cat"],
    ["\\Bcat", "cat concat"],
    ["\\b", "  word"],
    ["a.*b", "axxbyyb"],
    ["a.*?b", "axxbyyb"],
    ["a+?", "aaa"],
    ["a??b", "ab"],
    ["a{2,3}?", "aaaa"],
    ["a*?$", "baaa"],
    ["\\.", "a.b"],
    ["\\t", "a\tb"],
    ["\\\\", "a\\b"],
    ["\\(\\)", "f()"],
    ["(?:ab)+c", "ababc"],
    ["x*$", "abc"],
    ["", "abc"],
    ["$", "abc"],
    ["a*", ""],
    ["(a|ab)(c|bcd)(d*)", "abcd"],
    ["(a*)*b", "aaab"],
    ["*a", "x*a"],
    ["nomatch", "abc"],
];
foreach (c in cases) {
    local m = regexp(c[0]).search(c[1]);
    print(c[0] + "  " + (m == null ? "null" : m.begin + "-" + m.end) + "\n");
    // expect: abc  2-5
    // expect: a.c  0-3
    // expect: ^abc  0-3
    // expect: ^abc  null
    // expect: abc$  3-6
    // expect: a|b|c  2-3
    // expect: (ab)+  1-7
    // expect: a*  0-0
    // expect: a+  1-4
    // expect: ba?c  1-3
    // expect: a{2}  0-2
    // expect: a{2,}  1-5
    // expect: a{1,2}  0-2
    // expect: a{3,1}  null
    // expect: \d+  4-9
    // expect: \D+  3-6
    // expect: \w+  2-9
    // expect: \W+  3-6
    // expect: \s+  1-4
    // expect: \S+  3-6
    // expect: \a+  2-4
    // expect: \A+  2-4
    // expect: \x+  2-5
    // expect: \X+  2-4
    // expect: \c  2-3
    // expect: \C+  2-4
    // expect: \p+  2-5
    // expect: \P+  2-4
    // expect: \l+  2-4
    // expect: \u+  2-4
    // expect: [a-c]+  2-8
    // expect: [^a-c]+  3-6
    // expect: [\d_]+  2-5
    // expect: [-a]+  1-4
    // expect: [a-]+  1-4
    // expect: [\]x]+  2-5
    // expect: [\t ]+  1-4
    // expect: \bcat\b  7-10
    // expect: \Bcat  7-10
    // expect: \b  2-2
    // expect: a.*b  0-4
    // expect: a.*?b  0-4
    // expect: a+?  0-1
    // expect: a??b  0-2
    // expect: a{2,3}?  0-2
    // expect: a*?$  1-4
    // expect: \.  1-2
    // expect: \t  1-2
    // expect: \\  1-2
    // expect: \(\)  1-3
    // expect: (?:ab)+c  0-5
    // expect: x*$  null
    // expect:   0-0
    // expect: $  null
    // expect: a*  null
    // expect: (a|ab)(c|bcd)(d*)  0-4
    // expect: (a*)*b  0-4
    // expect: *a  1-3
    // expect: nomatch  null
}

local w = regexp("\\w+");
print("from 3: " + w.search("ab cd ef", 3).begin + "\n");  // expect: from 3: 3
print("from the end: " + w.search("ab cd ef", 8) + "\n");  // expect: from the end: (null : 0x(nil))
print("anchored at the start offset: " + regexp("^cd").search("ab cd", 3).begin + "\n");  // expect: anchored at the start offset: 3
try { w.search("ab", 3); } catch (e) { print("start past the end: " + e + "\n"); }  // expect: start past the end: invalid starting position
try { w.search("ab", -1); } catch (e) { print("negative start: " + e + "\n"); }  // expect: negative start: invalid starting position
