// getenv, system, clock, time, date, remove and rename.
// env: SQSTDLIB_FIXTURE_VALUE=from the host
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

print("getenv: " + getenv("SQSTDLIB_FIXTURE_VALUE") + " " + getenv("SQSTDLIB_FIXTURE_MISSING") + "\n");
// expect: getenv: from the host (null : 0x(nil))
print("types: " + typeof clock() + " " + typeof time() + "\n");  // expect: types: float integer
print("clock moves forward: " + (clock() >= 0.0) + "\n");  // expect: clock moves forward: true
print("time is after 2020: " + (time() > 1577836800) + "\n");  // expect: time is after 2020: true

function showdate(d) {
    local s = "";
    foreach (key in ["year", "month", "day", "hour", "min", "sec", "wday", "yday"]) s += key + "=" + d[key] + " ";
    return s;
}
print("epoch: " + showdate(date(0, 'u')) + "\n");  // expect-escaped: epoch: year=1970 month=0 day=1 hour=0 min=0 sec=0 wday=4 yday=0\x20
print("later: " + showdate(date(951825845, 'u')) + "\n");  // expect-escaped: later: year=2000 month=1 day=29 hour=12 min=4 sec=5 wday=2 yday=59\x20
local now = date();
print("now has " + now.len() + " fields, year " + (now.year >= 2020) + "\n");  // expect: now has 8 fields, year true
print("local date of a time: " + date(86400 * 200).len() + "\n");  // expect: local date of a time: 8

print("system exit code: " + system("exit 3") + "\n");  // expect: system exit code: 768

local a = "sqstdlib_system_a.tmp";
local b = "sqstdlib_system_b.tmp";
file(a, "w").close();
rename(a, b);
attempt("open the old name", function() { return file(a, "r"); });  // expect: open the old name: cannot open file
print("open the new name: " + typeof file(b, "r") + "\n");  // expect: open the new name: file
remove(b);
attempt("rename a missing file", function() { return rename(a, b); });  // expect: rename a missing file: rename() failed
attempt("remove a missing file", function() { return remove(b); });  // expect: remove a missing file: remove() failed
attempt("getenv of a number", function() { return getenv(1); });
// expect: getenv of a number: parameter 1 has an invalid type 'integer' ; expected: 'string'
attempt("date of a string", function() { return date("x"); });
// expect: date of a string: parameter 1 has an invalid type 'string' ; expected: 'integer|float'
attempt("time with an argument", function() { return time(1); });  // expect: time with an argument: wrong number of parameters
