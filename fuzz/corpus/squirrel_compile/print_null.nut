// null has no text of its own: it prints in the generic "(type : 0x<address>)" form.
print(null); print("\n");
print("" + null + "\n");
