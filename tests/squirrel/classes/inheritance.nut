// A derived class calls its base constructor and methods; statics are shared; _tostring; no new slot by assignment.
::animalsMade <- 0; class Animal {
    name = null;
    static count = 0;
    constructor(n) { name = n; ::animalsMade++; }
    function speak() { return name + " makes a sound"; }
    function _tostring() { return "Animal(" + name + ")"; }
}
class Dog extends Animal {
    constructor(n) { base.constructor(n); }
    function speak() { return base.speak() + ": woof"; }
}
local d = Dog("rex");
print(d.speak() + "\n");  // expect: rex makes a sound: woof
print((d instanceof Animal) + " " + (d instanceof Dog) + " " + ::animalsMade + "\n");  // expect: true true 1
print(d + "\n");  // expect: Animal(rex)
try { d.missing = 1; } catch (e) { print(e + "\n"); }  // expect: the index 'missing' does not exist
