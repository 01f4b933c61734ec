"""Prints the figures of a real-tools run as tables and judges them; exit status 1 on a fault.

    python3 summarise.py RESULTS.jsonl FLOWER_FOLDER

Each line of RESULTS.jsonl holds one import: the flower, its ring count, the process's peak
memory and time, and the RESULT line of the tool's check script (or LibreCAD's timing).
The default DXF file (dxf) is shown for comparison and never judged: its faults are known.
"""
import json
import os
import sys

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import flower_points  # noqa: E402

rows = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
folder = sys.argv[2]
faults = []


def triangles_of(flower):
    """Triangles the flower has: the default DXF file's faces split in two, none of them empty."""
    faces, _ = flower_points.read_faces(os.path.join(folder, flower + ".dxf"))
    return flower_points.triangle_count(faces)


def fault(row, text):
    faults.append("%s %s %s: %s" % (row["result"]["tool"], row["flower"], row["result"]["format"], text))
    return text


def judge(row):
    r, fmt, tool = row["result"], row["result"]["format"], row["result"]["tool"]
    if row["flower"].startswith("("):
        return "start-up, for comparison"
    if fmt == "dxf":
        return "default DXF file, for comparison"
    if row.get("shading") == "NORMALS":
        return "fails as expected (Blender 3.4.1 with numpy 1.24)" if not r["ok"] else "imports now"
    notes = []
    if not r["ok"]:
        return fault(row, "import failed: " + r.get("error", "?"))
    if tool.startswith("LibreCAD"):
        if not r["shown"]:
            return fault(row, "not open after %s s" % r["open_s"])
        return "ok" if r["open_s"] < 10 else fault(row, "slow: %s s" % r["open_s"])
    if tool.startswith("FreeCAD") and fmt == "cad-dxf":
        return "nothing comes in (the DXF import ignores 3DFACE)" if r["objects"] == 0 else "%d objects" % r["objects"]
    count = r.get("triangles", r.get("mesh_facets"))
    if not count:
        return fault(row, "nothing came in")
    want_placement = "centred, +Y up" if tool.startswith("FreeCAD") and fmt == "obj" else "upright"
    if r.get("placement") != want_placement:
        notes.append(fault(row, "placed %s, not %s" % (r.get("placement"), want_placement)))
    if not (r.get("area_ratio", 0) >= 0.999 and r.get("area_ratio_other_split", 9) <= 1.001):
        notes.append(fault(row, "surface %.1f %% of the flower's (holes)" % (100 * r.get("area_ratio", 0))))
    for key, text in (("corners_missing", "corners missing"), ("vertices_extra", "stray vertices"),
                      ("edges_without_face", "loose edges")):
        if r.get(key):
            notes.append(fault(row, "%d %s" % (r[key], text)))
    want = triangles_of(row["flower"])
    if count != want:
        notes.append(fault(row, "{:,} triangles, the flower has {:,}".format(count, want)))
    if tool.startswith("Blender"):
        if fmt == "cad-dxf" and r["mesh_objects"] != row["rings"]:
            notes.append(fault(row, "%d objects for %d rings" % (r["mesh_objects"], row["rings"])))
        if fmt == "glb" and r["materials"] != row["rings"]:
            notes.append(fault(row, "%d materials for %d rings" % (r["materials"], row["rings"])))
        if fmt == "cad-dxf" and r["import_s"] >= 10:
            notes.append(fault(row, "slow import: %s s" % r["import_s"]))
    return "; ".join(notes) or "ok"


def number(v, unit=""):
    return "" if v is None else "{:,}{}".format(v, unit)


for tool in ("Blender", "FreeCAD", "LibreCAD"):
    mine = [row for row in rows if row["result"]["tool"].startswith(tool)]
    if not mine:
        continue
    print("\n%s" % mine[0]["result"]["tool"])
    if tool == "LibreCAD":
        print("| flower | format | start to drawing shown | verdict |")
        print("|---|---|---:|---|")
        for row in mine:
            r = row["result"]
            shown = "%.1f s" % r["open_s"] if r["shown"] else "not shown after %d s" % r["open_s"]
            print("| %s | %s | %s | %s |" % (row["flower"], r["format"], shown, judge(row)))
        continue
    wide = tool == "Blender"
    print("| flower | format | import | process (peak memory) | objects | triangles | surface | placement |"
          + (" width in the scene |" if wide else "") + " verdict |")
    print("|---|---|---:|---:|---:|---:|---:|---|" + ("---:|" if wide else "") + "---|")
    for row in mine:
        r = row["result"]
        fmt = r["format"] + (" (%s shading)" % row["shading"].lower() if row.get("shading") else "")
        surface = "%.1f %%" % (100 * r["area_ratio"]) if "area_ratio" in r else ""
        width = ""
        if wide:
            width = " %s |" % ("{:g} m".format(r["width_in_scene_m"]) if "width_in_scene_m" in r else "")
        print("| %s | %s | %.2f s | %.1f s (%s MB) | %s | %s | %s | %s |%s %s |" % (
            row["flower"], fmt, r["import_s"], row["wall_s"], number(row["peak_kb"] // 1024),
            number(r.get("mesh_objects", r["objects"])), number(r.get("triangles", r.get("mesh_facets"))),
            surface, r.get("placement", ""), width, judge(row)))

if faults:
    print("\nFaults:")
    for f in faults:
        print("  " + f)
sys.exit(1 if faults else 0)
