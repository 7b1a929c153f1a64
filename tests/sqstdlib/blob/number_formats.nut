// Every number format written and read back little-endian; indexing; seeking from each origin.
local b = blob();
print("empty: len " + b.len() + " tell " + b.tell() + " eos " + b.eos() + " " + typeof b + "\n");  // expect: empty: len 0 tell 0 eos 1 blob
b.writen(0x01020304, 'i');
b.writen(-2, 's');
b.writen(65535, 'w');
b.writen(-1, 'c');
b.writen(200, 'b');
b.writen(1.5, 'f');
b.writen(2.25, 'd');
b.writen(7, 'l');
print("written: len " + b.len() + " tell " + b.tell() + "\n");  // expect: written: len 26 tell 26
b.seek(0);
print(b.readn('i') + " " + b.readn('s') + " " + b.readn('w') + " " + b.readn('c') + " " + b.readn('b') + "\n");  // expect: 16909060 -2 65535 -1 200
print(b.readn('f') + " " + b.readn('d') + " " + b.readn('l') + "\n");  // expect: 1.5 2.25 7
print("at end: eos " + b.eos() + "\n");  // expect: at end: eos 1
print("little endian: " + b[0] + " " + b[1] + " " + b[2] + " " + b[3] + "\n");  // expect: little endian: 4 3 2 1
b[0] = 0x105;
print("byte store keeps the low byte: " + b[0] + "\n");  // expect: byte store keeps the low byte: 5
print("float index: " + b[1.7] + "\n");  // expect: float index: 3
b.seek(-2, 'e');
print("seek end -2: " + b.tell() + "\n");  // expect: seek end -2: 24
b.seek(1, 'c');
print("seek cur +1: " + b.tell() + "\n");  // expect: seek cur +1: 25
b.seek(3, 'b');
print("seek begin 3: " + b.tell() + " eos " + b.eos() + "\n");  // expect: seek begin 3: 3 eos (null : 0x(nil))
b.seek(0, 'e');
print("seek end 0: " + b.tell() + "\n");  // expect: seek end 0: 26
