// split needs at least one separator.
try { split("abc", ""); } catch (e) print(e + "\n"); // expect: empty separators string
try { split("", ""); } catch (e) print(e + "\n"); // expect: empty separators string
print(split("a b", " ").len() + "\n"); // expect: 2
