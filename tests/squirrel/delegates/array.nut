// The array delegate: append, push, top, pop, extend, insert and remove with their edge cases.
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
