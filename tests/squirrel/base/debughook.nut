// enabledebuginfo and setdebughook: call and return events reach the hook until it is removed.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("enabledebuginfo", function() { return enabledebuginfo(true); });  // expect: enabledebuginfo: null (null : 0x(nil))
enabledebuginfo(false);
local events = [];
setdebughook(function(type, src, line, func) { if (type != 'l') events.append(type.tochar() + " " + func); });
function traced() { return 1; }
traced();
setdebughook(null);
traced();
local evtext = "";
foreach (e in events) evtext += e + ", ";
print("debug hook: " + evtext + "\n");  // expect-escaped: debug hook: c traced, r traced,\x20
show("setdebughook()", function() { return setdebughook(); });  // expect: setdebughook(): error wrong number of parameters
