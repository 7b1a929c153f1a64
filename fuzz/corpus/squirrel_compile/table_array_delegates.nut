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
show("len", function() { return t.len(); });
show("rawget", function() { return t.rawget("a"); });
show("rawget missing", function() { return t.rawget("zz"); });
show("rawget null", function() { return t.rawget(null); });
show("rawset returns", function() { return t.rawset("c", 3); });
show("after rawset", function() { return t.c + " " + t.len(); });
show("rawset null key", function() { return t.rawset(null, 1); });
show("rawin", function() { return t.rawin("a"); });
show("rawin missing", function() { return t.rawin("zz"); });
show("rawin null", function() { return t.rawin(null); });
show("rawdelete", function() { return t.rawdelete("a"); });
show("rawdelete again", function() { return t.rawdelete("a"); });
show("after rawdelete", function() { return t.len() + " " + ("a" in t); });
show("rawget wrong count", function() { return t.rawget(); });
show("rawset wrong count", function() { return t.rawset("x"); });
show("len wrong count", function() { return t.len(1); });
show("clear returns", function() { return t.clear(); });
show("after clear", function() { return t.len(); });

// raw access skips delegates
local proto = { inherited = "from the delegate", _get = function(k) { return "meta " + k; } };
local child = { own = 1 }.setdelegate(proto);
show("through delegate", function() { return child.inherited; });
show("through _get", function() { return child.other; });
show("rawget skips delegate", function() { return child.rawget("inherited"); });
show("rawin skips delegate", function() { return child.rawin("inherited"); });
show("getdelegate", function() { return child.getdelegate() == proto; });
show("getdelegate of none", function() { return {}.getdelegate(); });
show("setdelegate(null)", function() { return child.setdelegate(null).getdelegate(); });
show("setdelegate(1)", function() { return child.setdelegate(1); });
show("integer keys", function() { local k = {}; k.rawset(1, "one"); k.rawset(1.0, "float one"); return k.len() + " " + k[1]; });

// arrays
local a = [5, 3, 8];
show("len", function() { return a.len(); });
show("append returns", function() { return a.append(1); });
show("push returns", function() { return a.push(9); });
show("after push", function() { return dump(a); });
show("top", function() { return a.top(); });
show("pop", function() { return a.pop(); });
show("extend returns", function() { return a.extend([7, 7]); });
show("after extend", function() { return dump(a); });
show("extend itself", function() { local s = [1, 2]; s.extend(s); return dump(s); });
show("extend(1)", function() { return a.extend(1); });
show("insert returns", function() { return a.insert(0, 0); });
show("insert at len", function() { a.insert(a.len(), "end"); return dump(a); });
show("insert(-1)", function() { return a.insert(-1, 0); });
show("insert past len", function() { return a.insert(a.len() + 1, 0); });
show("insert(1.7)", function() { a.insert(1.7, "x"); return dump(a); });
show("remove returns", function() { return a.remove(1); });
show("remove(-1)", function() { return a.remove(-1); });
show("remove past end", function() { return a.remove(a.len()); });
show("remove('a')", function() { return a.remove("a"); });
show("after remove", function() { return dump(a); });
show("[].pop", function() { return [].pop(); });
show("[].top", function() { return [].top(); });
show("[].remove(0)", function() { return [].remove(0); });

show("resize shrinks", function() { local r = [1, 2, 3]; r.resize(1); return dump(r); });
show("resize grows with null", function() { local r = [1]; r.resize(3); return dump(r); });
show("resize fill", function() { local r = [1]; r.resize(3, "f"); return dump(r); });
show("resize returns", function() { return [1].resize(0); });
show("resize(-1)", function() { return [1].resize(-1); });
show("resize('a')", function() { return [1].resize("a"); });
show("resize(2.9)", function() { local r = []; r.resize(2.9); return r.len(); });

show("reverse returns", function() { return [1, 2].reverse(); });
show("reverse", function() { local r = [1, 2, 3, 4]; r.reverse(); return dump(r); });
show("reverse of one", function() { local r = [1]; r.reverse(); return dump(r); });
show("clear returns", function() { return [1].clear(); });
show("clear", function() { local r = [1, 2]; r.clear(); return r.len(); });

local sl = [10, 20, 30, 40, 50];
show("slice(1)", function() { return dump(sl.slice(1)); });
show("slice(1, 3)", function() { return dump(sl.slice(1, 3)); });
show("slice(-2)", function() { return dump(sl.slice(-2)); });
show("slice(1, -1)", function() { return dump(sl.slice(1, -1)); });
show("slice(5)", function() { return dump(sl.slice(5)); });
show("slice(0, 0)", function() { return dump(sl.slice(0, 0)); });
show("slice()", function() { return dump(sl.slice()); });
show("slice(3, 1)", function() { return sl.slice(3, 1); });
show("slice(0, 6)", function() { return sl.slice(0, 6); });
show("slice(-6)", function() { return sl.slice(-6); });
show("slice('a')", function() { return sl.slice("a"); });
show("slice copies", function() { local c = sl.slice(0); c[0] = 99; return sl[0]; });

show("find", function() { return [1, "a", 2.0, null].find(2); });
show("find string", function() { return [1, "a", 2.0, null].find("a"); });
show("find null", function() { return [1, "a", 2.0, null].find(null); });
show("find missing", function() { return [1, 2].find(3); });
show("find first", function() { return [4, 4, 4].find(4); });
show("find wrong count", function() { return [1].find(); });
show("find table by identity", function() { local k = {}; return [{}, k].find(k); });
