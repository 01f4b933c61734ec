"""FreeCAD's mesh check of printable STL files, without its window: one line per file.

    freecadcmd tools/real-tools/freecad_mesh_check.py FILE.stl...      (FreeCAD 0.20 passes no
    arguments to a script: FLOWER_STL="a.stl b.stl" freecadcmd tools/real-tools/freecad_mesh_check.py)

Prints `MESHCHECK name solid=True self_intersections=0 non_manifolds=False components=1 facets=N`
per file, for the checks of FreeCAD's Mesh Design > Analyze > Evaluate and repair mesh.
"""
import os
import sys

import Mesh

files = os.environ.get("FLOWER_STL", "").split() or [a for a in sys.argv[1:] if a.endswith(".stl")]
for path in files:
    m = Mesh.Mesh(path)
    crossings = len(m.getSelfIntersections())
    print("\nMESHCHECK %s solid=%s self_intersections=%d non_manifolds=%s components=%d facets=%d"
          % (os.path.basename(path), m.isSolid(), crossings, m.hasNonManifolds(),
             len(m.getSeparateComponents()), m.CountFacets), flush=True)
