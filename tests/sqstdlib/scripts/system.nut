// getenv, system, clock, time, date, remove and rename.
function attempt(label, action) {
    try {
        local result = action();
        print(label + ": ok " + result + "\n");
    } catch (e) {
        print(label + ": " + e + "\n");
    }
}

print("getenv: " + getenv("SQSTDLIB_FIXTURE_VALUE") + " " + getenv("SQSTDLIB_FIXTURE_MISSING") + "\n");
print("types: " + typeof clock() + " " + typeof time() + "\n");
print("clock moves forward: " + (clock() >= 0.0) + "\n");
print("time is after 2020: " + (time() > 1577836800) + "\n");

function showdate(d) {
    local s = "";
    foreach (key in ["year", "month", "day", "hour", "min", "sec", "wday", "yday"]) s += key + "=" + d[key] + " ";
    return s;
}
print("epoch: " + showdate(date(0, 'u')) + "\n");
print("later: " + showdate(date(951825845, 'u')) + "\n");
local now = date();
print("now has " + now.len() + " fields, year " + (now.year >= 2020) + "\n");
print("local date of a time: " + date(86400 * 200).len() + "\n");

print("system exit code: " + system("exit 3") + "\n");

local a = "sqstdlib_system_a.tmp";
local b = "sqstdlib_system_b.tmp";
file(a, "w").close();
rename(a, b);
attempt("open the old name", function() { return file(a, "r"); });
print("open the new name: " + typeof file(b, "r") + "\n");
remove(b);
attempt("rename a missing file", function() { return rename(a, b); });
attempt("remove a missing file", function() { return remove(b); });
attempt("getenv of a number", function() { return getenv(1); });
attempt("date of a string", function() { return date("x"); });
attempt("time with an argument", function() { return time(1); });
