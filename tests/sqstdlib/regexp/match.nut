// match tests the whole text.
local matches = [
    ["\\d+", "12345"],  // expect: \d+ ~ 12345: true
    ["\\d+", "123a"],  // expect: \d+ ~ 123a: false
    ["a.*", "abc"],  // expect: a.* ~ abc: true
    ["(a|ab)c", "abc"],  // expect: (a|ab)c ~ abc: false
    ["a|ab", "ab"],  // expect: a|ab ~ ab: false
    ["a*", ""],  // expect: a* ~ : true
    ["", ""],  // expect:  ~ : true
    ["", "x"],  // expect:  ~ x: false
    ["[a-z]+@[a-z]+\\.com", "joe@site.com"],  // expect: [a-z]+@[a-z]+\.com ~ joe@site.com: true
    ["[a-z]+@[a-z]+\\.com", "joe@site.com.au"],  // expect: [a-z]+@[a-z]+\.com ~ joe@site.com.au: false
    ["^\\w+$", "word"],  // expect: ^\w+$ ~ word: true
    ["(\\d{1,3}\\.){3}\\d{1,3}", "192.168.0.1"],  // expect: (\d{1,3}\.){3}\d{1,3} ~ 192.168.0.1: true
    ["(\\d{1,3}\\.){3}\\d{1,3}", "192.168.0"],  // expect: (\d{1,3}\.){3}\d{1,3} ~ 192.168.0: false
    ["a{2,3}?", "aaa"],  // expect: a{2,3}? ~ aaa: false
];
foreach (c in matches) print(c[0] + " ~ " + c[1] + ": " + regexp(c[0]).match(c[1]) + "\n");
