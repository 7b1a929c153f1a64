// search from a start offset; ^ anchors at it; offsets outside the text are errors.
local w = regexp("\\w+");
print("from 3: " + w.search("ab cd ef", 3).begin + "\n");  // expect: from 3: 3
print("from the end: " + w.search("ab cd ef", 8) + "\n");  // expect: from the end: (null : 0x(nil))
print("anchored at the start offset: " + regexp("^cd").search("ab cd", 3).begin + "\n");  // expect: anchored at the start offset: 3
try { w.search("ab", 3); } catch (e) { print("start past the end: " + e + "\n"); }  // expect: start past the end: invalid starting position
try { w.search("ab", -1); } catch (e) { print("negative start: " + e + "\n"); }  // expect: negative start: invalid starting position
