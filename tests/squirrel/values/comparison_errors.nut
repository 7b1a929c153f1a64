// Ordering values of types that have no order: integers, floats and strings are shown by value
// (at most 50 characters), anything else by its type name.
function attempt(label, action) {
    try { print(label + ": " + action() + "\n"); } catch (e) print(label + ": " + e + "\n");
}
attempt("1 < \"2\"", @() 1 < "2"); // expect: 1 < "2": comparison between '1' and '2'
attempt("\"a\" > 3", @() "a" > 3); // expect: "a" > 3: comparison between 'a' and '3'
attempt("1.5 <= \"a\"", @() 1.5 <= "a"); // expect: 1.5 <= "a": comparison between '1.5' and 'a'
attempt("-0.25 < \"\"", @() -0.25 < ""); // expect: -0.25 < "": comparison between '-0.25' and ''
attempt("[] >= {}", @() [] >= {}); // expect: [] >= {}: comparison between 'array' and 'table'
attempt("true <=> 1", @() true <=> 1); // expect: true <=> 1: comparison between 'bool' and '1'
attempt("print < 1", @() print < 1); // expect: print < 1: comparison between 'function' and '1'
class C {}
attempt("C < C()", @() C < C()); // expect: C < C(): comparison between 'class' and 'instance'
attempt("long", @() "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz" < -7); // expect: long: comparison between 'abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwx' and '-7'
local x = "a", y = 1;
attempt("locals", @() x < y); // expect: locals: comparison between 'a' and '1'
attempt("null < 1", @() null < 1); // expect: null < 1: true
attempt("sort", @() [3, "b", 1].sort()); // expect: sort: comparison between 'b' and '1'
