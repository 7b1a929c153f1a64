// s[-n] counts from the end for n < s.len(); further out it is a missing index, as past the end.
local s = "abc";
print(s[-1] + " " + s[-2] + " " + s[0] + " " + s[2] + "\n"); // expect: 99 98 97 99
function attempt(label, action) {
    try { print(label + ": " + action() + "\n"); } catch (e) print(label + ": " + e + "\n");
}
attempt("s[-3]", @() s[-3]); // expect: s[-3]: the index '-3' does not exist
attempt("s[-4]", @() s[-4]); // expect: s[-4]: the index '-4' does not exist
attempt("s[3]", @() s[3]); // expect: s[3]: the index '3' does not exist
attempt("s[-2147483648]", @() s[-2147483647 - 1]); // expect: s[-2147483648]: the index '-2147483648' does not exist
attempt("empty[-1]", @() ""[-1]); // expect: empty[-1]: the index '-1' does not exist
attempt("x[-1]", @() "x"[-1]); // expect: x[-1]: the index '-1' does not exist
attempt("xy[-1]", @() "xy"[-1]); // expect: xy[-1]: 121
local i = -2;
attempt("s[i] with a local", @() s[i]); // expect: s[i] with a local: 98
attempt("s[-1.5]", @() s[-1.5]); // expect: s[-1.5]: 99
// 'in' agrees with indexing.
print((-2 in s) + " " + (-3 in s) + " " + (-4 in s) + " " + (2 in s) + " " + (3 in s) + "\n"); // expect: true false false true false
