// system runs a shell command and returns its exit code.
print("system exit code: " + system("exit 3") + "\n");  // expect: system exit code: 768
