// _get, _set, _newslot, _delslot and _nexti declared in a class.
class Bag {
  data = null;
  constructor() { data = {}; }
  function _get(k) { if (k in data) return data[k]; throw null; }
  function _set(k, v) { data[k] <- v; }
  function _newslot(k, v) { data[k] <- v * 10; }
  function _delslot(k) { print("delete " + k + "\n"); delete data[k]; }
  function _nexti(prev) {
    if (prev == null) return "p";
    if (prev == "p") return "r";
    return null;
  }
}
local bag = Bag();
bag.p = 5;
bag.q <- 6;
print(bag.p + " " + bag.q + "\n");  // expect: 5 60
delete bag.q;  // expect: delete q
bag.r = 7;
try { print(bag.q); } catch (e) { print(e + "\n"); }  // expect: the index 'q' does not exist
foreach (k, v in bag) print(k + "=" + v + " ");
print("\n");  // expect-escaped: p=5 r=7\x20
