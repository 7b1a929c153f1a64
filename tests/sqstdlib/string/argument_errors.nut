// Arguments of the wrong type or count.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("split with a number", function() { return split("a", 1); });
// expect: split with a number: parameter 2 has an invalid type 'integer' ; expected: 'string'
attempt("strip with nothing", function() { return strip(); });  // expect: strip with nothing: wrong number of parameters
attempt("escape of a number", function() { return escape(5); });
// expect: escape of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
attempt("startswith with one argument", function() { return startswith("a"); });  // expect: startswith with one argument: wrong number of parameters
