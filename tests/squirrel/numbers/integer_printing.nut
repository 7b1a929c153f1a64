// Integers are 32-bit; print writes numbers and bools without a conversion.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("max", function() { return (2147483647).tostring(); });  // expect: max: string 2147483647
show("max + 1", function() { return 2147483647 + 1; });  // expect: max + 1: integer -2147483648
show("0xFFFFFFFF", function() { return 0xFFFFFFFF; });  // expect: 0xFFFFFFFF: integer -1

print(1.5); print(" "); print(3); print(" "); print(true); print(" "); print(-0.0); print("\n");  // expect: 1.5 3 true -0
