// A first look at the table delegate: rawget, rawset, rawin, rawdelete, clear and delegates.
local t = { a = 1, b = 2 };
print(t.len() + " " + t.rawget("a") + " " + t.rawin("b") + " " + t.rawin("c") + "\n");  // expect: 2 1 true false
t.rawset("c", 3);
print(t.c + " " + t.len() + "\n");  // expect: 3 3
print(t.rawdelete("a") + " " + t.rawin("a") + " " + t.rawdelete("nothing") + "\n");  // expect: 1 false (null : 0x(nil))
try { t.rawget("zzz"); } catch (e) { print(e + "\n"); }  // expect: the index doesn't exist
t.clear();
print(t.len() + "\n");  // expect: 0
local d = { x = 10 };
local u = {}.setdelegate(d);
print(u.x + " " + u.rawin("x") + " " + (u.getdelegate() == d) + " " + typeof {}.getdelegate() + "\n");  // expect: 10 false true null
