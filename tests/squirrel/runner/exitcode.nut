// A script's integer return value is the runner's exit code.
// exit: 7
print("ok\n");  // expect: ok
return 7;
