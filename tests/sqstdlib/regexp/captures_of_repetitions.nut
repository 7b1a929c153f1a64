// Captures of greedy repetitions, optional groups and alternations.
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
