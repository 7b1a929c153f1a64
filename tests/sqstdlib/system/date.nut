// date of a time in UTC: every field; the local date of now.
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
