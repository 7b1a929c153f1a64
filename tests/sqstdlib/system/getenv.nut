// getenv of a set and an unset variable.
// env: SQSTDLIB_FIXTURE_VALUE=from the host
print("getenv: " + getenv("SQSTDLIB_FIXTURE_VALUE") + " " + getenv("SQSTDLIB_FIXTURE_MISSING") + "\n");
// expect: getenv: from the host (null : 0x(nil))
