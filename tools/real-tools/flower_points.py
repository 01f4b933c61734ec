"""The faces of a Petalwright DXF file and where their corners must land in a Z-up tool.

Plain Python, no third-party modules: Blender and FreeCAD both import it.
"""

# The flower centre in the default DXF file (dxf); its axis is +Y.
CENTRE_Y = 50.0

# Where a point (x, y, z) of that file lands in a Z-up scene, named by what the picture shows.
PLACEMENTS = {
    "upright": lambda x, y, z: (x, -z, y - CENTRE_Y),
    "mirrored": lambda x, y, z: (x, z, y - CENTRE_Y),
    "on its side": lambda x, y, z: (x, y, z),
    # What a tool shows of a Y-up file (OBJ) when it takes the file's axes as they are.
    "centred, +Y up": lambda x, y, z: (x, y - CENTRE_Y, z),
}


def read_faces(path):
    """Returns the 3DFACE entities of a DXF file as lists of four (x, y, z) corners and their layers."""
    with open(path, "rb") as f:
        data = f.read()
    end = data.find(b"\nEOF")
    lines = data[: end if end >= 0 else len(data)].decode("ascii", "replace").splitlines()
    faces, layers = [], []
    face, layer, i = None, None, 0
    while i + 1 < len(lines):
        code, value = lines[i].strip(), lines[i + 1].strip()
        i += 2
        if code == "0":
            if face is not None:
                faces.append([tuple(c) for c in face])
                layers.append(layer)
            face = [[0.0, 0.0, 0.0] for _ in range(4)] if value == "3DFACE" else None
            layer = None
        elif face is not None:
            n = int(code)
            if n == 8:
                layer = value
            elif 10 <= n <= 33 and n % 10 <= 3:
                face[n % 10][n // 10 - 1] = float(value)
    return faces, layers


def _sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def _cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def triangle_area(a, b, c):
    n = _cross(_sub(b, a), _sub(c, a))
    return 0.5 * (n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) ** 0.5


def face_area(corners):
    """Area of a face split along its 0-2 diagonal (a triangle repeats a corner, which adds nothing)."""
    a, b, c, d = corners
    return triangle_area(a, b, c) + triangle_area(a, c, d)


def face_area_other_split(corners):
    """Area of a face split along its 1-3 diagonal; differs from face_area only for a bent quad."""
    a, b, c, d = corners
    return triangle_area(a, b, d) + triangle_area(b, c, d)


def triangle_count(faces, smallest_area=1e-9):
    """Triangles the faces make once split along the 0-2 diagonal, leaving out those of no area."""
    return sum(1 for a, b, c, d in faces for t in ((a, b, c), (a, c, d)) if triangle_area(*t) > smallest_area)


def expected_points(faces, placement):
    """The distinct corners of the faces, moved as the named placement says."""
    move = PLACEMENTS[placement]
    seen = {}
    for face in faces:
        for p in face:
            seen[(round(p[0], 6), round(p[1], 6), round(p[2], 6))] = move(*p)
    return list(seen.values())
