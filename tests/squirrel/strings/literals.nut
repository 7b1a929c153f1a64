// Character literals, escapes and verbatim strings.
print('a' + " " + 'a'.tochar() + " " + "\x41\t|" + " " + @"raw\n" + "\n");  // expect-escaped: 97 a A\t| raw\\n
