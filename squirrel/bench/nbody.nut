// N-body simulation of the Jovian planets with a Body class.
const PI = 3.141592653589793;
const DAYS = 365.24;
class Body {
  x = 0.0; y = 0.0; z = 0.0; vx = 0.0; vy = 0.0; vz = 0.0; mass = 0.0;
  constructor(px, py, pz, pvx, pvy, pvz, pmass) {
    x = px; y = py; z = pz;
    vx = pvx * DAYS; vy = pvy * DAYS; vz = pvz * DAYS;
    mass = pmass * 4 * PI * PI;
  }
  function offset(px, py, pz) {
    local sm = 4 * PI * PI;
    vx = -px / sm; vy = -py / sm; vz = -pz / sm;
  }
}
local bodies = [
  Body(0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0),
  Body(4.84143144246472090e+00, -1.16032004402742839e+00, -1.03622044471123109e-01,
       1.66007664274403694e-03, 7.69901118419740425e-03, -6.90460016972063023e-05, 9.54791938424326609e-04),
  Body(8.34336671824457987e+00, 4.12479856412430479e+00, -4.03523417114321381e-01,
       -2.76742510726862411e-03, 4.99852801234917238e-03, 2.30417297573763929e-05, 2.85885980666130812e-04),
  Body(1.28943695621391310e+01, -1.51111514016986312e+01, -2.23307578892655734e-01,
       2.96460137564761618e-03, 2.37847173959480950e-03, -2.96589568540237556e-05, 4.36624404335156298e-05),
  Body(1.53796971148509165e+01, -2.59193146099879641e+01, 1.79258772950371181e-01,
       2.68067772490389322e-03, 1.62824170038242295e-03, -9.51592254519715870e-05, 5.15138902046611451e-05)
];
function energy(bodies) {
  local e = 0.0, n = bodies.len();
  for (local i = 0; i < n; i++) {
    local b = bodies[i];
    e += 0.5 * b.mass * (b.vx * b.vx + b.vy * b.vy + b.vz * b.vz);
    for (local j = i + 1; j < n; j++) {
      local b2 = bodies[j];
      local dx = b.x - b2.x, dy = b.y - b2.y, dz = b.z - b2.z;
      e -= b.mass * b2.mass / sqrt(dx * dx + dy * dy + dz * dz);
    }
  }
  return e;
}
function advance(bodies, dt) {
  local n = bodies.len();
  for (local i = 0; i < n; i++) {
    local b = bodies[i];
    for (local j = i + 1; j < n; j++) {
      local b2 = bodies[j];
      local dx = b.x - b2.x, dy = b.y - b2.y, dz = b.z - b2.z;
      local d2 = dx * dx + dy * dy + dz * dz;
      local mag = dt / (d2 * sqrt(d2));
      local bm = b.mass * mag, b2m = b2.mass * mag;
      b.vx -= dx * b2m; b.vy -= dy * b2m; b.vz -= dz * b2m;
      b2.vx += dx * bm; b2.vy += dy * bm; b2.vz += dz * bm;
    }
  }
  foreach (b in bodies) { b.x += dt * b.vx; b.y += dt * b.vy; b.z += dt * b.vz; }
}
local px = 0.0, py = 0.0, pz = 0.0;
foreach (b in bodies) { px += b.vx * b.mass; py += b.vy * b.mass; pz += b.vz * b.mass; }
bodies[0].offset(px, py, pz);
print(format("%.3f\n", energy(bodies)));
for (local i = 0; i < 200000; i++) advance(bodies, 0.01);
print(format("%.3f\n", energy(bodies)));
