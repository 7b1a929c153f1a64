// \b and \B against spaces, punctuation and the ends of the text.
function show(pattern, text) {
    local m = regexp(pattern).search(text);
    print(pattern + " in \"" + text + "\": " + (m == null ? "null" : m.begin + "-" + m.end + " '" + text.slice(m.begin, m.end) + "'") + "\n");
}

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
