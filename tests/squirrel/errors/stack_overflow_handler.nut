// Endless recursion that no try catches in its own call reaches the error handler, which still
// has room at the limit for frames, stack slots and native calls of its own.
function deep(n) { return deep(n + 1) + 1; }
function wide(n) {
    local a = 1, b = 2, c = 3, d = 4, e = 5, f = 6, g = 7, h = 8, i = 9, j = 10, k = 11, l = 12;
    local m = 13, o = 14, p = 15, q = 16, r = 17, s = 18, t = 19, u = 20, v = 21, w = 22, x = 23;
    return wide(n + 1) + a + b + c + d + e + f + g + h + i + j + k + l + m + o + p + q + r + s + t + u + v + w + x;
}
function throughNatives(n) { return [n].map(@(x) throughNatives(x + 1)); }
seterrorhandler(function(e) {
    print("handler: " + e + " in " + getstackinfos(2).func + "\n");
    print([1, 2].map(@(x) x * 2).len() + "\n");
});
try { deep.call(null, 0); } catch (e) print("caught: " + e + "\n");
// expect: handler: stack overflow in deep
// expect: 2
// expect: caught: stack overflow
try { newthread(wide).call(0); } catch (e) print("caught: " + e + "\n");
// expect: handler: stack overflow in wide
// expect: 2
// expect: caught: stack overflow
try { throughNatives.call(null, 0); } catch (e) print("caught: " + e + "\n");
// expect: handler: Native stack overflow in throughNatives
// expect: 2
// expect: caught: Native stack overflow
print("still running\n");  // expect: still running
