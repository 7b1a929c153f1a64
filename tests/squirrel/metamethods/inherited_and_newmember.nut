// _inherited and _newmember of a base class run while a derived class is declared.
class Base {
  function _inherited(attributes) { print("inherited, tag " + attributes.tag + "\n"); }
  function _newmember(idx, val, attrs, isstatic) { print("newmember " + idx + " static " + isstatic + "\n"); rawset(idx, val); }
}
class Derived extends Base </ tag = 1 /> {
  function f() { return 1; }
  static s = 2;
}
// expect: inherited, tag 1
// expect: newmember f static false
// expect: newmember s static true
print(Derived().f() + " " + Derived.s + "\n");  // expect: 1 2
