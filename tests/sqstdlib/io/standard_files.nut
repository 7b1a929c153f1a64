// stdout, stdin and stderr are files.
print(typeof stdout + " " + typeof stdin + " " + typeof stderr + " " + (stderr instanceof file) + "\n");  // expect: file file file true
