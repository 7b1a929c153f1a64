// Invalid patterns raise the compiler's message.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

local patterns = [
    "(abc",  // expect: (abc: expected paren
    "abc)",  // expect: abc): unexpected character
    "[abc",  // expect: [abc: letter expected
    "[]",  // expect: []: empty class
    "[^]",  // expect: [^]: empty class
    "[z-a]",  // expect: [z-a]: invalid range
    "a{",  // expect: a{: number expected
    "a{x}",  // expect: a{x}: number expected
    "a{1x",  // expect: a{1x: , or } expected
    "a{1,2",  // expect: a{1,2: expected paren
    "a**",  // expect: a**: unexpected character
    "a+*",  // expect: a+*: unexpected character
    "\\",  // expect: \: letter expected
    "[a\\",  // expect: [a\: letter expected
    "[\\d-z]",  // expect: [\d-z]: cannot use character classes in ranges
    "[a-\\d]",  // expect: [a-\d]: cannot use character classes in ranges
    "(?x)",  // expect: (?x): expected paren
    "a{70000}",  // expect: a{70000}: overflow in numeric constant
];
foreach (pattern in patterns)
    attempt(pattern, function() { return typeof regexp(pattern); });
attempt("regexp of a number", function() { return regexp(5); });
// expect: regexp of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
