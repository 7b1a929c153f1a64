// compilestring: arguments, `this`, names, compile and runtime errors.
function show(label, f) {
  try {
    local r = f();
    print(label + ": " + typeof r + " " + r + "\n");
  } catch (e) {
    print(label + ": error " + e + "\n");
  }
}

show("compilestring", function() { return compilestring("return 6 * 7;")(); });  // expect: compilestring: integer 42
show("compilestring arguments", function() { return compilestring("return vargv.len() + \" \" + vargv[1];")(null, "a", "b"); });
// expect: compilestring arguments: string 3 a
show("compilestring this", function() { return compilestring("return this.v;").call({ v = "this" }); });  // expect: compilestring this: string this
show("compilestring name", function() { return compilestring("return 1").getinfos().name; });  // expect: compilestring name: string main
show("compilestring default source", function() { return compilestring("return 1").getinfos().src; });
// expect: compilestring default source: string unnamedbuffer
show("compilestring source", function() { return compilestring("return 1", "chunk").getinfos().src; });  // expect: compilestring source: string chunk
show("compilestring empty", function() { return compilestring("")(); });  // expect: compilestring empty: null (null : 0x(nil))
show("compilestring syntax error", function() { return compilestring("local = 1"); });
// expect: compilestring syntax error: error expected 'IDENTIFIER'
show("compilestring unclosed", function() { return compilestring("function f() {", "unclosed"); });
// expect: compilestring unclosed: error expression expected
show("compilestring(1)", function() { return compilestring(1); });
// expect: compilestring(1): error parameter 1 has an invalid type 'integer' ; expected: 'string'
show("compilestring('', 1)", function() { return compilestring("", 1); });
// expect: compilestring('', 1): error parameter 2 has an invalid type 'integer' ; expected: 'string'
show("compilestring runtime error", function() { return compilestring("return nothing;")(); });
// expect: compilestring runtime error: error the index 'nothing' does not exist
