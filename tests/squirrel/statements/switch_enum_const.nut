// switch falls through without break; enum values count on from the last given one; const.
switch (2) { case 1: print("one\n"); break; case 2: print("two\n"); case 3: print("three\n"); break; default: print("d\n"); }
// expect: two
// expect: three
enum Color { Red, Green = 5, Blue }
const K = 7;
print(Color.Red + " " + Color.Green + " " + Color.Blue + " " + K + "\n");  // expect: 0 5 1 7
