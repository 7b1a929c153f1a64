// clock and time: types and plausible values.
print("types: " + typeof clock() + " " + typeof time() + "\n");  // expect: types: float integer
print("clock moves forward: " + (clock() >= 0.0) + "\n");  // expect: clock moves forward: true
print("time is after 2020: " + (time() > 1577836800) + "\n");  // expect: time is after 2020: true
