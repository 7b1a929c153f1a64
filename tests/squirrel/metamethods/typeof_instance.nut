// _typeof names an instance for typeof without changing instanceof.
class Typed { function _typeof() { return "TypedThing"; } }
print(typeof Typed() + " " + (Typed() instanceof Typed) + "\n");  // expect: TypedThing true
