// regexp.match (the whole text), capture, subexpcount and _typeof.
local matches = [
    ["\\d+", "12345"],
    ["\\d+", "123a"],
    ["a.*", "abc"],
    ["(a|ab)c", "abc"],
    ["a|ab", "ab"],
    ["a*", ""],
    ["", ""],
    ["", "x"],
    ["[a-z]+@[a-z]+\\.com", "joe@site.com"],
    ["[a-z]+@[a-z]+\\.com", "joe@site.com.au"],
    ["^\\w+$", "word"],
    ["(\\d{1,3}\\.){3}\\d{1,3}", "192.168.0.1"],
    ["(\\d{1,3}\\.){3}\\d{1,3}", "192.168.0"],
    ["a{2,3}?", "aaa"],
];
foreach (c in matches) print(c[0] + " ~ " + c[1] + ": " + regexp(c[0]).match(c[1]) + "\n");

function showcapture(text, captures) {
    if (captures == null) return "null";
    local s = "";
    foreach (i, m in captures) s += (i ? " " : "") + m.begin + "-" + m.end + "'" + text.slice(m.begin, m.end) + "'";
    return s;
}
local mail = regexp("(\\w+)@(\\w+)\\.com");
local text = "mail: joe@site.com!";
print(showcapture(text, mail.capture(text)) + "\n");
print("subexpcount " + mail.subexpcount() + " " + regexp("a(?:b)(c(d))").subexpcount() + " " + regexp("x").subexpcount() + "\n");
local date = regexp("(\\d+)-(\\d+)(-(\\d+))?");
print(showcapture("on 2024-05", date.capture("on 2024-05")) + "\n");
print(showcapture("2024-05-17", date.capture("2024-05-17")) + "\n");
print(showcapture("x 1-2 3-4", date.capture("x 1-2 3-4", 5)) + "\n");
print(showcapture("none", date.capture("none")) + "\n");
local last = regexp("(\\w)+");
print("a repeated group keeps its last turn: " + showcapture("abc", last.capture("abc")) + "\n");
print(typeof mail + "\n");
