-- Spectral norm of the infinite matrix A(i, j) = 1 / ((i + j)(i + j + 1) / 2 + i + 1), 0-based.
function A(i, j) local ij = i + j - 2; return 1.0 / ((ij * (ij + 1)) // 2 + i) end
function Av(x, y, n)
  for i = 1, n do
    local a = 0.0
    for j = 1, n do a = a + A(i, j) * x[j] end
    y[i] = a
  end
end
function Atv(x, y, n)
  for i = 1, n do
    local a = 0.0
    for j = 1, n do a = a + A(j, i) * x[j] end
    y[i] = a
  end
end
function AtAv(x, y, t, n) Av(x, t, n); Atv(t, y, n) end
local n = 250
local u, v, t = {}, {}, {}
for i = 1, n do u[i] = 1.0; v[i] = 0.0; t[i] = 0.0 end
for i = 1, 10 do AtAv(u, v, t, n); AtAv(v, u, t, n) end
local vBv, vv = 0.0, 0.0
for i = 1, n do local ui, vi = u[i], v[i]; vBv = vBv + ui * vi; vv = vv + vi * vi end
print(string.format("%.4f", math.sqrt(vBv / vv)))
