"""Imports one flower file into an empty Blender scene and prints what came in as one JSON line.

    blender -b --factory-startup --python blender_check.py -- FILE FORMAT REFERENCE_DXF [SHADING]

FORMAT is dxf, cad-dxf, obj, stl or glb; REFERENCE_DXF is the default DXF file (dxf) of the
same flower (same values, same seed): its corners, moved as a Z-up tool must show them, are what
every format has to bring in. SHADING is the glTF importer's shading setting (default FLAT).
"""
import json
import os
import re
import sys
import time
import traceback

import bpy
import numpy as np
from mathutils import kdtree

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import flower_points  # noqa: E402
from blender_import import import_flower  # noqa: E402

args = sys.argv[sys.argv.index("--") + 1:]
path, fmt, reference = args[0], args[1], args[2]
shading = args[3] if len(args) > 3 else "FLAT"
# glTF stores metres, the other formats millimetres.
to_mm = 1000.0 if fmt == "glb" else 1.0

result = {"file": os.path.basename(path), "format": fmt, "tool": "Blender " + bpy.app.version_string}


def world_triangles():
    """Every imported triangle in world coordinates (millimetres), and the vertices."""
    tris, verts = [], []
    for obj in bpy.data.objects:
        if obj.type != "MESH":
            continue
        mesh = obj.data
        mesh.calc_loop_triangles()
        co = np.empty(len(mesh.vertices) * 3)
        mesh.vertices.foreach_get("co", co)
        co = co.reshape(-1, 3)
        m = np.array(obj.matrix_world)
        co = (co @ m[:3, :3].T + m[:3, 3]) * to_mm
        idx = np.empty(len(mesh.loop_triangles) * 3, dtype=np.int64)
        mesh.loop_triangles.foreach_get("vertices", idx)
        tris.append(co[idx.reshape(-1, 3)])
        verts.append(co)
    if not tris:
        return np.empty((0, 3, 3)), np.empty((0, 3))
    return np.concatenate(tris), np.concatenate(verts)


def tree_of(points):
    tree = kdtree.KDTree(len(points))
    for i, p in enumerate(points):
        tree.insert(p, i)
    tree.balance()
    return tree


bpy.ops.wm.read_factory_settings(use_empty=True)
try:
    start = time.perf_counter()
    import_flower(path, fmt, shading)
    result["import_s"] = round(time.perf_counter() - start, 3)
    result["ok"] = True
except Exception as e:  # the importer's own failure is a finding, not a crash of the check
    result["import_s"] = round(time.perf_counter() - start, 3)
    result["ok"] = False
    lines = "".join(traceback.format_exception_only(type(e), e)).strip().splitlines()
    # An operator's failure carries the importer's traceback; its own error line says the most.
    named = [ln.strip() for ln in lines if re.match(r"\s*\w+Error: ", ln) and "Error: Python" not in ln]
    result["error"] = (named or lines)[-1][:300]

meshes = [o for o in bpy.data.objects if o.type == "MESH"]
result["objects"] = len(bpy.data.objects)
result["mesh_objects"] = len(meshes)
result["materials"] = len(bpy.data.materials)
result["vertices"] = sum(len(o.data.vertices) for o in meshes)
result["polygons"] = sum(len(o.data.polygons) for o in meshes)
result["edges_without_face"] = sum(
    len(o.data.edges) - len({k for p in o.data.polygons for k in p.edge_keys}) for o in meshes)
result["polygon_sizes"] = {}
for o in meshes:
    for p in o.data.polygons:
        k = str(len(p.vertices))
        result["polygon_sizes"][k] = result["polygon_sizes"].get(k, 0) + 1

tris, verts = world_triangles()
result["triangles"] = int(len(tris))
if len(tris):
    cross = np.cross(tris[:, 1] - tris[:, 0], tris[:, 2] - tris[:, 0])
    area = 0.5 * float(np.linalg.norm(cross, axis=1).sum())
    lo, hi = verts.min(axis=0), verts.max(axis=0)
    result["bbox_mm"] = [[round(float(v), 3) for v in lo], [round(float(v), 3) for v in hi]]
    # What the user sees: Blender's unit is the metre, whatever the file says.
    result["width_in_scene_m"] = float("%.3g" % (max(hi[0] - lo[0], hi[1] - lo[1]) / to_mm))

    faces, _ = flower_points.read_faces(reference)
    want = sum(flower_points.face_area(f) for f in faces)
    other = sum(flower_points.face_area_other_split(f) for f in faces)
    # A bent quad has two possible splits; the surface is complete when it lies between them.
    result["area_ratio"] = round(area / min(want, other), 4)
    result["area_ratio_other_split"] = round(area / max(want, other), 4)

    got = tree_of(verts)
    extent = float(np.abs(verts).max()) or 1.0
    tolerance = 1e-6 * extent + 1e-6
    # The placement under which the most corners of the file came in; then what is missing
    # (corners with no vertex there) and what is extra (vertices that are no corner of the file).
    best = None
    for name in flower_points.PLACEMENTS:
        expected = flower_points.expected_points(faces, name)
        missing = sum(1 for p in expected if got.find(p)[2] > tolerance)
        if best is None or missing < best[1]:
            best = (name, missing, expected)
    name, missing, expected = best
    want_tree = tree_of(expected)
    result["placement"] = name if missing < len(expected) / 2 else "unknown"
    result["corners_missing"] = missing
    result["vertices_extra"] = sum(1 for p in verts if want_tree.find(p)[2] > tolerance)

print("\nRESULT " + json.dumps(result, ensure_ascii=False), flush=True)
