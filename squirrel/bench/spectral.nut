// Spectral norm of the infinite matrix A(i, j) = 1 / ((i + j)(i + j + 1) / 2 + i + 1).
function A(i, j) { local ij = i + j; return 1.0 / (ij * (ij + 1) / 2 + i + 1); }
function Av(x, y, n) {
  for (local i = 0; i < n; i++) {
    local a = 0.0;
    for (local j = 0; j < n; j++) a += A(i, j) * x[j];
    y[i] = a;
  }
}
function Atv(x, y, n) {
  for (local i = 0; i < n; i++) {
    local a = 0.0;
    for (local j = 0; j < n; j++) a += A(j, i) * x[j];
    y[i] = a;
  }
}
function AtAv(x, y, t, n) { Av(x, t, n); Atv(t, y, n); }
local n = 250;
local u = array(n, 1.0), v = array(n, 0.0), t = array(n, 0.0);
for (local i = 0; i < 10; i++) { AtAv(u, v, t, n); AtAv(v, u, t, n); }
local vBv = 0.0, vv = 0.0;
for (local i = 0; i < n; i++) { local ui = u[i], vi = v[i]; vBv += ui * vi; vv += vi * vi; }
print(format("%.4f\n", sqrt(vBv / vv)));
