"""Imports one flower file into FreeCAD without its window and prints what came in as one JSON line.

    FLOWER_FILE=... FLOWER_FORMAT=... FLOWER_REFERENCE=... freecadcmd freecad_check.py

FLOWER_FORMAT is dxf, cad-dxf, obj or stl; obj and stl go through the Mesh module (what
File > Import does for them), DXF files through the built-in DXF import. FLOWER_REFERENCE is the
default DXF file (dxf) of the same flower, as for the Blender check.
"""
import json
import os
import sys
import time
import traceback

import FreeCAD

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(os.environ["FLOWER_SCRIPT"])))
import flower_points  # noqa: E402

path = os.environ["FLOWER_FILE"]
fmt = os.environ["FLOWER_FORMAT"]
reference = os.environ["FLOWER_REFERENCE"]
result = {"file": os.path.basename(path), "format": fmt,
          "tool": "FreeCAD " + ".".join(FreeCAD.Version()[:3])}

doc = FreeCAD.newDocument("flower")
start = time.perf_counter()
try:
    if fmt in ("obj", "stl"):
        import Mesh
        Mesh.insert(path, doc.Name)
    else:
        import Import
        Import.readDXF(path, doc.Name, False)
    doc.recompute()
    result["ok"] = True
except Exception as e:
    result["ok"] = False
    result["error"] = "".join(traceback.format_exception_only(type(e), e)).strip()[:300]
result["import_s"] = round(time.perf_counter() - start, 3)

result["objects"] = len(doc.Objects)
points, facets, area = [], 0, 0.0
lo, hi = [float("inf")] * 3, [float("-inf")] * 3
for obj in doc.Objects:
    mesh = getattr(obj, "Mesh", None)
    if mesh is None:
        continue
    facets += mesh.CountFacets
    area += mesh.Area
    points += [(p.x, p.y, p.z) for p in mesh.Points]
result["mesh_facets"] = facets
result["mesh_points"] = len(points)
if points:
    for k in range(3):
        lo[k] = min(p[k] for p in points)
        hi[k] = max(p[k] for p in points)
    result["bbox_mm"] = [[round(v, 3) for v in lo], [round(v, 3) for v in hi]]
    faces, _ = flower_points.read_faces(reference)
    want = sum(flower_points.face_area(f) for f in faces)
    other = sum(flower_points.face_area_other_split(f) for f in faces)
    result["area_ratio"] = round(area / min(want, other), 4)
    result["area_ratio_other_split"] = round(area / max(want, other), 4)
    # Every imported point must be one of the flower's, placed upright; a dictionary of rounded
    # points keeps this fast for the largest flower.
    extent = max(max(abs(v) for v in lo), max(abs(v) for v in hi)) or 1.0
    result["placement"] = "unknown"
    for name in flower_points.PLACEMENTS:
        expected = flower_points.expected_points(faces, name)
        grid = 1e-3 * max(1.0, extent / 1000.0)
        key = lambda p: tuple(int(round(c / grid)) for c in p)
        cells = {key(p) for p in expected}
        near = lambda p: any((k[0] + a, k[1] + b, k[2] + c) in cells
                             for k in [key(p)] for a in (-1, 0, 1) for b in (-1, 0, 1) for c in (-1, 0, 1))
        got = {key(p) for p in points}
        if all(near(p) for p in points) and len(got) >= len(cells) * 0.999:
            result["placement"] = name
            break

print("\nRESULT " + json.dumps(result, ensure_ascii=False), flush=True)
FreeCAD.closeDocument(doc.Name)
