// escape writes quotes, backslashes and control bytes as escapes.
print(escape("plain") + "\n");  // expect: plain
print(escape("a\"b'c\\d") + "\n");  // expect: a\"b\'c\\d
print(escape("tab\there\nnew line\r") + "\n");  // expect: tab\x09here\x0anew line\x0d
print(escape("\x01\x7f\xe9") + "\n");  // expect: \x01\x7f\xe9
print(escape("nul\0end") + "\n");  // expect: nul\0end
print("[" + escape("") + "]\n");  // expect: []
