// enum values count on from the last given one; enums and constants live in the constant table.
enum Color { Red, Green = 10, Blue }
enum Names { A = "a", B = 1.5 }
const LIMIT = 100;
const NAME = "name";
print(Color.Red + " " + Color.Green + " " + Color.Blue + " " + Names.A + " " + Names.B + " " + LIMIT + " " + NAME + "\n");
// expect: 0 10 1 a 1.5 100 name
print(getconsttable().LIMIT + " " + getconsttable().Color.Blue + "\n");  // expect: 100 1
