// Ordering values of types that have no order names both types.
function attempt(label, action) {
    try { print(label + ": " + action() + "\n"); } catch (e) print(label + ": " + e + "\n");
}
attempt("1 < \"a\"", @() 1 < "a"); // expect: 1 < "a": comparison between 'integer' and 'string'
attempt("\"a\" > 3", @() "a" > 3); // expect: "a" > 3: comparison between 'string' and 'integer'
attempt("1.5 <= \"a\"", @() 1.5 <= "a"); // expect: 1.5 <= "a": comparison between 'float' and 'string'
attempt("[] >= {}", @() [] >= {}); // expect: [] >= {}: comparison between 'array' and 'table'
attempt("true <=> 1", @() true <=> 1); // expect: true <=> 1: comparison between 'bool' and 'integer'
attempt("print < 1", @() print < 1); // expect: print < 1: comparison between 'function' and 'integer'
local x = "a", y = 1;
attempt("locals", @() x < y); // expect: locals: comparison between 'string' and 'integer'
attempt("null < 1", @() null < 1); // expect: null < 1: true
attempt("sort", @() [3, "b", 1].sort()); // expect: sort: comparison between 'string' and 'integer'
