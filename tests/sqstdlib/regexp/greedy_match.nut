// match tests the whole text, with the same non-backtracking repetitions.
print("-- match tests the whole text\n");  // expect: -- match tests the whole text
foreach (c in [["a.*b", "axxbyyb"], ["a.*b", "axxb"], ["a.*", "axxbyyb"], ["(a|ab)", "ab"], ["\\d{2,3}", "1234"],
               ["\\d{2,3}", "123"], ["a*", ""], ["a+", ""]])
    print(c[0] + " ~ \"" + c[1] + "\": " + regexp(c[0]).match(c[1]) + "\n");
    // expect: a.*b ~ "axxbyyb": false
    // expect: a.*b ~ "axxb": true
    // expect: a.* ~ "axxbyyb": true
    // expect: (a|ab) ~ "ab": false
    // expect: \d{2,3} ~ "1234": false
    // expect: \d{2,3} ~ "123": true
    // expect: a* ~ "": true
    // expect: a+ ~ "": false
