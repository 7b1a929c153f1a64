// Assigning to a class member with '=' is not a slot update: classes change only through '<-'.
class C { x = 1; static s = 2; }
try { C.x = 5; print("set " + C.x + "\n"); } catch (e) print(e + "\n");  // expect: trying to set 'class'
try { C.s = 6; print("set " + C.s + "\n"); } catch (e) print(e + "\n");  // expect: trying to set 'class'
C.y <- 3;
print(C.y + "\n");  // expect: 3
