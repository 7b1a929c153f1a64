// Empty texts and the end of the text.
function show(pattern, text) {
    local m = regexp(pattern).search(text);
    print(pattern + " in \"" + text + "\": " + (m == null ? "null" : m.begin + "-" + m.end + " '" + text.slice(m.begin, m.end) + "'") + "\n");
}

print("-- empty texts and the end of the text\n");  // expect: -- empty texts and the end of the text
show("a*", "");  // expect: a* in "": null
show("$", "abc");  // expect: $ in "abc": null
show("c$", "abc");  // expect: c$ in "abc": 2-3 'c'
show("x*", "abc");  // expect: x* in "abc": 0-0 ''
