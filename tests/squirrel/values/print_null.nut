// null has no text of its own: it prints in the generic "(type : 0x<address>)" form.
print(null); print("\n");  // expect: (null : 0x(nil))
print("" + null + "\n");  // expect: (null : 0x(nil))
