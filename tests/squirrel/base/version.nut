// The version and size constants.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("version", function() { return typeof _version_ + " " + typeof _versionnumber_; });  // expect: version: string string integer
show("sizes", function() { return _charsize_ + " " + _intsize_ + " " + _floatsize_; });  // expect: sizes: string 1 4 4
