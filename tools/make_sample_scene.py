#!/usr/bin/env python3
"""Writes the content of the sample scene samples/scene/: the crate's and the
floor's geometry files (crate.zge, floor.zge: a box each, in the text forms of
the geometry file, one textured material inline) and their textures (crate.tga,
floor.tga: uncompressed 24-bit TGA), the thud a crate makes when it lands
(land.wav: 16-bit mono PCM), the hills behind the floor (hills.raw: the
terrain's heights, 16-bit little-endian, a twentieth of a metre each;
hills_blend.tga: its blend map, 1024 pixels wide as terrains want it;
grass.tga: its texture) and the sparks' particle model (sparks.zml). The
output is committed; run again after a change here:

    tools/make_sample_scene.py [output folder, default samples/scene]
"""
import math
import os
import struct
import sys

TEXTURE_SIZE = 64


def box_faces(size_x, size_y, size_z):
    """The six faces of a box centred on the origin: per face the four corner
    positions in drawing order and the face's outward normal. The corners run
    so that (Q2 - Q0) x (Q1 - Q0) points out of the box, the winding the
    engine's polygon normals take as the front."""
    hx, hy, hz = size_x / 2.0, size_y / 2.0, size_z / 2.0
    faces = []
    for axis in range(3):
        for sign in (-1.0, 1.0):
            normal = [0.0, 0.0, 0.0]
            normal[axis] = sign
            # Two axes spanning the face, then its corners around it.
            u_axis, v_axis = [a for a in range(3) if a != axis]
            corners = []
            for cu, cv in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                point = [0.0, 0.0, 0.0]
                point[axis] = sign
                point[u_axis] = cu
                point[v_axis] = cv
                corners.append(tuple(p * h for p, h in zip(point, (hx, hy, hz))))
            if dot(front_normal(corners), normal) < 0.0:
                corners.reverse()
            faces.append((corners, tuple(normal)))
    return faces


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def front_normal(corners):
    return cross(sub(corners[2], corners[0]), sub(corners[1], corners[0]))


def number(value):
    text = "%.4f" % value
    return "0.0000" if text == "-0.0000" else text


def geometry_file(material, size, uv_repeat):
    """A "Geometry" document: the box's corners as vertices shared by the
    faces, one polygon per face, one UV channel (the texture repeated
    uv_repeat times across each face)."""
    faces = box_faces(*size)
    vertices = []
    polygons = []
    uvs = []
    for corners, _normal in faces:
        indices = []
        for corner in corners:
            if corner not in vertices:
                vertices.append(corner)
            indices.append(vertices.index(corner))
        polygons.append(indices)
        uvs.extend([(0.0, 0.0), (uv_repeat, 0.0), (uv_repeat, uv_repeat), (0.0, uv_repeat)])
    lines = ["<ZML=1.0>", "<Geometry="]
    lines.append("  <Materials=<Material=<Id=\"%s\"><MaxSmoothingAngle=0.0>" % material)
    lines.append("    <TextureStage=<Index=0><Channel=\"Diffuse\"><Texture=\"%s.tga\"><Active><UV=0>>>>" % material)
    lines.append("  <RenderWord=<Lit><UseNormal>>")
    lines.append("  <AVertex=<Count=%d><Data=" % len(vertices))
    for x, y, z in vertices:
        lines.append("    <V=<X=%s><Y=%s><Z=%s>>" % (number(x), number(y), number(z)))
    lines.append("  >>")
    lines.append("  <APolygon=<Count=%d><BindingCount=%d><Data=" % (len(polygons), 4 * len(polygons)))
    for indices in polygons:
        lines.append("    <P=<Count=4><Material=0>%s>" % "".join("<Index=%d>" % i for i in indices))
    lines.append("  >>")
    lines.append("  <AUV=<Count=1><Data=")
    for u, v in uvs:
        lines.append("    <T=<U=%s><V=%s>>" % (number(u), number(v)))
    lines.append("  >>")
    lines.append(">")
    return "\n".join(lines) + "\n"


def crate_pixel(x, y):
    """Orange planks in a dark frame, with a diagonal brace."""
    border = 6
    if x < border or y < border or x >= TEXTURE_SIZE - border or y >= TEXTURE_SIZE - border:
        return (110, 58, 20)
    if abs(x - y) < 5:
        return (150, 80, 28)
    plank = (y - border) // 13
    if (y - border) % 13 == 0:
        return (120, 64, 22)
    shade = (0, 14, -8, 8)[plank % 4]
    return (222 + shade, 130 + shade, 44)


def floor_pixel(x, y):
    """Blue-grey tiles."""
    cells = 4
    cell = TEXTURE_SIZE // cells
    if (x // cell + y // cell) % 2 == 0:
        return (70, 96, 130)
    return (150, 166, 186)


def grass_pixel(x, y):
    """Green with darker patches, stretched once over the whole terrain."""
    shade = int(18 * math.sin(x * 0.7) * math.cos(y * 0.9) + 10 * math.sin((x + 2 * y) * 0.3))
    return (70 + shade, 140 + shade, 50 + shade // 2)


def tga_file(pixel, width=TEXTURE_SIZE, height=TEXTURE_SIZE):
    """An uncompressed 24-bit TGA, rows bottom first, pixels as B, G, R."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0)
    body = bytearray()
    for y in range(height):
        for x in range(width):
            r, g, b = pixel(x, y)
            body += bytes((b, g, r))
    return header + bytes(body)


def thud_wav(rate=22050, seconds=0.25):
    """A low tone that drops in pitch and dies away, as 16-bit mono WAV."""
    samples = bytearray()
    phase = 0.0
    for i in range(int(rate * seconds)):
        t = i / rate
        phase += 2.0 * math.pi * (60.0 + 120.0 * math.exp(-t * 30.0)) / rate
        value = math.sin(phase) * math.exp(-t * 14.0) * 0.8
        samples += struct.pack("<h", int(round(value * 32767)))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(samples))
    return b"RIFF" + struct.pack("<I", len(body) + len(samples)) + body + bytes(samples)


HILL_SAMPLES = 64


def hills_raw():
    """The terrain's heights, HILL_SAMPLES x HILL_SAMPLES, rows first: two
    rounded hills rising towards the back, low along the front edge. Row 0 is
    the front edge, at the terrain's position: the rows run away from the
    camera."""
    data = bytearray()
    for row in range(HILL_SAMPLES):
        for column in range(HILL_SAMPLES):
            u, v = column / (HILL_SAMPLES - 1), row / (HILL_SAMPLES - 1)
            metres = 0.5 * v
            for cu, cv, top, reach in ((0.3, 0.6, 4.0, 0.25), (0.75, 0.75, 3.0, 0.2)):
                metres += top * math.exp(-((u - cu) ** 2 + (v - cv) ** 2) / (reach * reach))
            data += struct.pack("<h", int(round(metres * 20.0)))
    return bytes(data)


def sparks_model():
    """A "ParticleModel": small pale yellow sparks (not orange: tests/player/crate_region.py takes
    orange pixels for the crates) that fall back down, of one
    size and colour through their life (constant curves), drawn without
    shaders and unlit."""
    def curve(value):
        return "<Curve=<Knot=<Count=2><Knot=\"0:%s\"><Knot=\"1:%s\">>>" % (value, value)
    lines = ["<ZML=1.0>", "<ParticleModel="]
    lines.append("  <Material=<Id=\"sparks\"><RenderMask=<Shadeless><FixedFunction>>>")
    lines.append("  <TTL=1.5><Damping=0.2><Gravity=<X=0.0><Y=-6.0><Z=0.0>>")
    for tag, value in (("SizeCurve", "0.12"), ("RedCurve", "1.0"), ("GreenCurve", "0.9"),
                       ("BlueCurve", "0.4"), ("OpacityCurve", "1.0")):
        lines.append("  <%s=%s>" % (tag, curve(value)))
    lines.append(">")
    return "\n".join(lines) + "\n"


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "samples", "scene")
    files = {
        # The crate: 1 m, as its physics box.
        "crate.zge": geometry_file("crate", (1.0, 1.0, 1.0), 1.0).encode(),
        # The floor: 20 m x 1 m x 20 m, as its physics box, the tiles repeated.
        "floor.zge": geometry_file("floor", (20.0, 1.0, 20.0), 5.0).encode(),
        "crate.tga": tga_file(crate_pixel),
        "floor.tga": tga_file(floor_pixel),
        "land.wav": thud_wav(),
        # The terrain: 64 x 64 samples (the fewest a terrain takes) at 4 per metre, 16 m x 16 m.
        "hills.raw": hills_raw(),
        "hills_blend.tga": tga_file(lambda x, y: (255, 0, 0), 1024, 4),
        "grass.tga": tga_file(grass_pixel),
        "sparks.zml": sparks_model().encode(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as stream:
            stream.write(data)


if __name__ == "__main__":
    main()
