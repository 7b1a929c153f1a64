// Value classes the engine instantiates by name: bounds as two Vectors and an
// integer rectangle held as floats (start x, start y, end x, end y).

class MinMax {
    min = null;
    max = null;

    constructor() {
        min = Vector(0.0, 0.0, 0.0);
        max = Vector(0.0, 0.0, 0.0);
    }
}

class Rect {
    sx = 0.0;
    sy = 0.0;
    ex = 0.0;
    ey = 0.0;
}
