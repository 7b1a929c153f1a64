// <=> and comparisons across kinds: strings, mixed numbers, null and false; comparing a number with a string fails.
print((1 <=> 2) + " " + (2 <=> 2) + " " + ("b" <=> "a") + "\n");  // expect: -1 0 1
print(("abc" < "abd") + " " + (1 < 1.5) + " " + (null == false) + " " + (0 == 0.0) + "\n");  // expect: true true false true
try { print(1 < "a"); } catch (e) { print(e + "\n"); }  // expect: comparison between '1' and 'a'
