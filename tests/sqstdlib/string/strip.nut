// strip, lstrip and rstrip remove white space of every kind from the ends.
print("[" + strip("  \t hello world \n ") + "]\n");  // expect: [hello world]
print("[" + lstrip("  a b  ") + "][" + rstrip("  a b  ") + "]\n");  // expect: [a b  ][  a b]
print("[" + strip("") + "][" + strip("   ") + "][" + lstrip(" \n ") + "][" + rstrip("   ") + "][" + rstrip("x") + "]\n");  // expect: [][][][][x]
print("[" + strip("none") + "][" + lstrip("\r\v\fx") + "]\n");  // expect: [none][x]
