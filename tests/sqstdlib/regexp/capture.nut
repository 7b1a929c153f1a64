// capture with a start offset, subexpcount, a repeated group's last turn, and typeof.
function showcapture(text, captures) {
    if (captures == null) return "null";
    local s = "";
    foreach (i, m in captures) s += (i ? " " : "") + m.begin + "-" + m.end + "'" + text.slice(m.begin, m.end) + "'";
    return s;
}
local mail = regexp("(\\w+)@(\\w+)\\.com");
local text = "mail: joe@site.com!";
print(showcapture(text, mail.capture(text)) + "\n");  // expect: 6-18'joe@site.com' 6-9'joe' 10-14'site'
print("subexpcount " + mail.subexpcount() + " " + regexp("a(?:b)(c(d))").subexpcount() + " " + regexp("x").subexpcount() + "\n");
// expect: subexpcount 3 3 1
local date = regexp("(\\d+)-(\\d+)(-(\\d+))?");
print(showcapture("on 2024-05", date.capture("on 2024-05")) + "\n");  // expect: 3-10'2024-05' 3-7'2024' 8-10'05' 0-0'' 0-0''
print(showcapture("2024-05-17", date.capture("2024-05-17")) + "\n");  // expect: 0-10'2024-05-17' 0-4'2024' 5-7'05' 7-10'-17' 8-10'17'
print(showcapture("x 1-2 3-4", date.capture("x 1-2 3-4", 5)) + "\n");  // expect: 6-9'3-4' 6-7'3' 8-9'4' 0-0'' 0-0''
print(showcapture("none", date.capture("none")) + "\n");  // expect: null
local last = regexp("(\\w)+");
print("a repeated group keeps its last turn: " + showcapture("abc", last.capture("abc")) + "\n");
// expect: a repeated group keeps its last turn: 0-3'abc' 2-3'c'
print(typeof mail + "\n");  // expect: regexp
