// A generator is suspended until its last resume leaves it dead.
local gen = (function() { yield 1; yield 2; })();
print(gen.getstatus() + " ");
resume gen;
print(gen.getstatus() + " ");
resume gen;
resume gen;
print(gen.getstatus() + "\n");  // expect: suspended suspended dead
