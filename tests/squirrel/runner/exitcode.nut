// exit: 7
print("ok\n");  // expect: ok
return 7;
