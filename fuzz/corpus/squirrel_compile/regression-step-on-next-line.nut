local t = {a = 5}
local o = 1
function f() { local y = o
++o; return t.a
--o }
