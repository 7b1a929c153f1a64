// Arguments of the wrong type or count.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("getenv of a number", function() { return getenv(1); });
// expect: getenv of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
attempt("date of a string", function() { return date("x"); });
// expect: date of a string: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
attempt("time with an argument", function() { return time(1); });  // expect: time with an argument: wrong number of parameters
