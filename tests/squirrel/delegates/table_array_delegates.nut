// Default delegates of tables and arrays: return values, edge cases and errors.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}
function dump(a) {
  local out = "[";
  foreach (i, x in a) out += (i ? " " : "") + x;
  return out + "]";
}

// tables
local t = { a = 1, b = 2 };
show("len", function() { return t.len(); });  // expect: len: integer 2
show("rawget", function() { return t.rawget("a"); });  // expect: rawget: integer 1
show("rawget missing", function() { return t.rawget("zz"); });  // expect: rawget missing: error the index doesn't exist
show("rawget null", function() { return t.rawget(null); });  // expect: rawget null: error the index doesn't exist
show("rawset returns", function() { return t.rawset("c", 3); });  // expect: rawset returns: null (null : 0x(nil))
show("after rawset", function() { return t.c + " " + t.len(); });  // expect: after rawset: string 3 3
show("rawset null key", function() { return t.rawset(null, 1); });  // expect: rawset null key: error null key
show("rawin", function() { return t.rawin("a"); });  // expect: rawin: bool true
show("rawin missing", function() { return t.rawin("zz"); });  // expect: rawin missing: bool false
show("rawin null", function() { return t.rawin(null); });  // expect: rawin null: bool false
show("rawdelete", function() { return t.rawdelete("a"); });  // expect: rawdelete: integer 1
show("rawdelete again", function() { return t.rawdelete("a"); });  // expect: rawdelete again: null (null : 0x(nil))
show("after rawdelete", function() { return t.len() + " " + ("a" in t); });  // expect: after rawdelete: string 2 false
show("rawget wrong count", function() { return t.rawget(); });  // expect: rawget wrong count: error wrong number of parameters
show("rawset wrong count", function() { return t.rawset("x"); });  // expect: rawset wrong count: error wrong number of parameters
show("len wrong count", function() { return t.len(1); });  // expect: len wrong count: error wrong number of parameters
show("clear returns", function() { return t.clear(); });  // expect: clear returns: null (null : 0x(nil))
show("after clear", function() { return t.len(); });  // expect: after clear: integer 0

// raw access skips delegates
local proto = { inherited = "from the delegate", _get = function(k) { return "meta " + k; } };
local child = { own = 1 }.setdelegate(proto);
show("through delegate", function() { return child.inherited; });  // expect: through delegate: string from the delegate
show("through _get", function() { return child.other; });  // expect: through _get: string meta other
show("rawget skips delegate", function() { return child.rawget("inherited"); });  // expect: rawget skips delegate: error the index doesn't exist
show("rawin skips delegate", function() { return child.rawin("inherited"); });  // expect: rawin skips delegate: bool false
show("getdelegate", function() { return child.getdelegate() == proto; });  // expect: getdelegate: bool true
show("getdelegate of none", function() { return {}.getdelegate(); });  // expect: getdelegate of none: null (null : 0x(nil))
show("setdelegate(null)", function() { return child.setdelegate(null).getdelegate(); });  // expect: setdelegate(null): null (null : 0x(nil))
show("setdelegate(1)", function() { return child.setdelegate(1); });
// expect: setdelegate(1): error parameter 1 has an invalid type 'integer' ; expected: 'null|table'
show("integer keys", function() { local k = {}; k.rawset(1, "one"); k.rawset(1.0, "float one"); return k.len() + " " + k[1]; });
// expect: integer keys: string 2 one

// arrays
local a = [5, 3, 8];
show("len", function() { return a.len(); });  // expect: len: integer 3
show("append returns", function() { return a.append(1); });  // expect: append returns: null (null : 0x(nil))
show("push returns", function() { return a.push(9); });  // expect: push returns: null (null : 0x(nil))
show("after push", function() { return dump(a); });  // expect: after push: string [5 3 8 1 9]
show("top", function() { return a.top(); });  // expect: top: integer 9
show("pop", function() { return a.pop(); });  // expect: pop: integer 9
show("extend returns", function() { return a.extend([7, 7]); });  // expect: extend returns: null (null : 0x(nil))
show("after extend", function() { return dump(a); });  // expect: after extend: string [5 3 8 1 7 7]
show("extend itself", function() { local s = [1, 2]; s.extend(s); return dump(s); });  // expect: extend itself: string [1 2 1 2]
show("extend(1)", function() { return a.extend(1); });  // expect: extend(1): error parameter 1 has an invalid type 'integer' ; expected: 'array'
show("insert returns", function() { return a.insert(0, 0); });  // expect: insert returns: null (null : 0x(nil))
show("insert at len", function() { a.insert(a.len(), "end"); return dump(a); });  // expect: insert at len: string [0 5 3 8 1 7 7 end]
show("insert(-1)", function() { return a.insert(-1, 0); });  // expect: insert(-1): error index out of range
show("insert past len", function() { return a.insert(a.len() + 1, 0); });  // expect: insert past len: error index out of range
show("insert(1.7)", function() { a.insert(1.7, "x"); return dump(a); });  // expect: insert(1.7): string [0 x 5 3 8 1 7 7 end]
show("remove returns", function() { return a.remove(1); });  // expect: remove returns: string x
show("remove(-1)", function() { return a.remove(-1); });  // expect: remove(-1): error idx out of range
show("remove past end", function() { return a.remove(a.len()); });  // expect: remove past end: error idx out of range
show("remove('a')", function() { return a.remove("a"); });
// expect: remove('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("after remove", function() { return dump(a); });  // expect: after remove: string [0 5 3 8 1 7 7 end]
show("[].pop", function() { return [].pop(); });  // expect: [].pop: error empty array
show("[].top", function() { return [].top(); });  // expect: [].top: error top() on a empty array
show("[].remove(0)", function() { return [].remove(0); });  // expect: [].remove(0): error idx out of range

show("resize shrinks", function() { local r = [1, 2, 3]; r.resize(1); return dump(r); });  // expect: resize shrinks: string [1]
show("resize grows with null", function() { local r = [1]; r.resize(3); return dump(r); });
// expect: resize grows with null: string [1 (null : 0x(nil)) (null : 0x(nil))]
show("resize fill", function() { local r = [1]; r.resize(3, "f"); return dump(r); });  // expect: resize fill: string [1 f f]
show("resize returns", function() { return [1].resize(0); });  // expect: resize returns: null (null : 0x(nil))
show("resize(-1)", function() { return [1].resize(-1); });  // expect: resize(-1): error negative size
show("resize('a')", function() { return [1].resize("a"); });
// expect: resize('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("resize(2.9)", function() { local r = []; r.resize(2.9); return r.len(); });  // expect: resize(2.9): integer 2

show("reverse returns", function() { return [1, 2].reverse(); });  // expect: reverse returns: null (null : 0x(nil))
show("reverse", function() { local r = [1, 2, 3, 4]; r.reverse(); return dump(r); });  // expect: reverse: string [4 3 2 1]
show("reverse of one", function() { local r = [1]; r.reverse(); return dump(r); });  // expect: reverse of one: string [1]
show("clear returns", function() { return [1].clear(); });  // expect: clear returns: null (null : 0x(nil))
show("clear", function() { local r = [1, 2]; r.clear(); return r.len(); });  // expect: clear: integer 0

local sl = [10, 20, 30, 40, 50];
show("slice(1)", function() { return dump(sl.slice(1)); });  // expect: slice(1): string [20 30 40 50]
show("slice(1, 3)", function() { return dump(sl.slice(1, 3)); });  // expect: slice(1, 3): string [20 30]
show("slice(-2)", function() { return dump(sl.slice(-2)); });  // expect: slice(-2): string [40 50]
show("slice(1, -1)", function() { return dump(sl.slice(1, -1)); });  // expect: slice(1, -1): string [20 30 40]
show("slice(5)", function() { return dump(sl.slice(5)); });  // expect: slice(5): string []
show("slice(0, 0)", function() { return dump(sl.slice(0, 0)); });  // expect: slice(0, 0): string []
show("slice()", function() { return dump(sl.slice()); });  // expect: slice(): string [10 20 30 40 50]
show("slice(3, 1)", function() { return sl.slice(3, 1); });  // expect: slice(3, 1): error wrong indexes
show("slice(0, 6)", function() { return sl.slice(0, 6); });  // expect: slice(0, 6): error slice out of range
show("slice(-6)", function() { return sl.slice(-6); });  // expect: slice(-6): error slice out of range
show("slice('a')", function() { return sl.slice("a"); });
// expect: slice('a'): error parameter 1 has an invalid type 'string' ; expected: 'integer|float'
show("slice copies", function() { local c = sl.slice(0); c[0] = 99; return sl[0]; });  // expect: slice copies: integer 10

show("find", function() { return [1, "a", 2.0, null].find(2); });  // expect: find: integer 2
show("find string", function() { return [1, "a", 2.0, null].find("a"); });  // expect: find string: integer 1
show("find null", function() { return [1, "a", 2.0, null].find(null); });  // expect: find null: integer 3
show("find missing", function() { return [1, 2].find(3); });  // expect: find missing: null (null : 0x(nil))
show("find first", function() { return [4, 4, 4].find(4); });  // expect: find first: integer 0
show("find wrong count", function() { return [1].find(); });  // expect: find wrong count: error wrong number of parameters
show("find table by identity", function() { local k = {}; return [{}, k].find(k); });  // expect: find table by identity: integer 1
