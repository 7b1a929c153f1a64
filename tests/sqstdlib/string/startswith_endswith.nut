// startswith and endswith.
print(startswith("squirrel", "squ") + " " + startswith("squirrel", "rel") + " " + startswith("sq", "squirrel") + " " + startswith("abc", "") + "\n");
// expect: true false false true
print(endswith("squirrel", "rel") + " " + endswith("squirrel", "squ") + " " + endswith("l", "rel") + " " + endswith("abc", "") + "\n");
// expect: true false false true
