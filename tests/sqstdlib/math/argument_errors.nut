// Arguments of the wrong type or count.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

attempt("sqrt of a string", function() { return sqrt("x"); });
// expect: sqrt of a string: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
attempt("rand with an argument", function() { return rand(1); });  // expect: rand with an argument: wrong number of parameters
attempt("pow with one argument", function() { return pow(2); });  // expect: pow with one argument: wrong number of parameters
attempt("srand of null", function() { return srand(null); });
// expect: srand of null: parameter 1 has an invalid type 'null' ; expected: 'integer|float'
