// typeof of each basic kind of value.
print(typeof 1 + typeof 1.0 + typeof "" + typeof {} + typeof [] + typeof null + typeof print + "\n");
// expect: integerfloatstringtablearraynullfunction
