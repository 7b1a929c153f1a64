// A return of a call reuses the frame: tail recursion deeper than the frame limit runs.
function count(n, acc) { if (n == 0) return acc; return count(n - 1, acc + 1); }
print(count(300000, 0) + "\n");                       // expect: 300000

// Tail calls that need more than a plain frame: default parameters, varargs, a bound environment.
function withdefault(a, b = 10) { return a + b; }
function todefault(x) { return withdefault(x); }
print(todefault(5) + "\n");                           // expect: 15
function va(...) { return vargv.len(); }
function tova(a, b) { return va(a, b, 3); }
print(tova(1, 2) + "\n");                             // expect: 3
local env = { k = 7 };
local bound = (function() { return this.k; }).bindenv(env);
function tobound() { return bound(); }
print(tobound() + "\n");                              // expect: 7
function tonative(x) { return type(x); }
print(tonative(-4) + "\n");                           // expect: integer
function wrongcount() { return withdefault(); }
try { wrongcount(); } catch (e) { print(e + "\n"); }  // expect: wrong number of parameters

// The caller's locals captured by a closure are closed before the callee runs.
function capture(n) {
  local fs = [];
  fs.append(function() { return n; });
  n++;
  return call0(fs[0]);
}
function call0(f) { return f(); }
print(capture(41) + "\n");                            // expect: 42

// A closure reached only through its own running frame lives until its tail call replaces it.
function maker() { return function(x) { return sink(x); }; }
function sink(x) { return x * 2; }
print(maker()(21) + "\n");                            // expect: 42
local w = maker().weakref();
print((w.ref() == null) + "\n");                      // expect: true

// The debug information of a tail-called function names it, and the frame below is the caller's caller.
function where() { local i = getstackinfos(1); local j = getstackinfos(2); return i.func + " " + j.func; }
function via() { return where(); }
function outer() { return via() + "!"; }
print(outer() + "\n");                                // expect: where outer!
