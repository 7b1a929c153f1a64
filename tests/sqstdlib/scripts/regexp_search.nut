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
}

local w = regexp("\\w+");
print("from 3: " + w.search("ab cd ef", 3).begin + "\n");
print("from the end: " + w.search("ab cd ef", 8) + "\n");
print("anchored at the start offset: " + regexp("^cd").search("ab cd", 3).begin + "\n");
try { w.search("ab", 3); } catch (e) { print("start past the end: " + e + "\n"); }
try { w.search("ab", -1); } catch (e) { print("negative start: " + e + "\n"); }
