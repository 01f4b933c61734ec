# Reads a DXF file with ezdxf and prints what a CAD user would see, one "name value..." per line
# (the CAD profile's writer test reads it): the audit, the header, the layers, the faces (triangles,
# quadrilaterals, bent and flat ones), the extents against the faces, and the highest point.
import sys, ezdxf
from ezdxf.math import Vec3
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
print('audit', len(auditor.errors), len(auditor.fixes))
h = doc.header
print('header', h['$ACADVER'], h['$DWGCODEPAGE'], h['$INSUNITS'])
# ezdxf adds the layer Defpoints itself when it loads a file
print('layers', ' '.join('%s:%d' % (l.dxf.name, l.dxf.color) for l in doc.layers if l.dxf.name != 'Defpoints'))
faces = doc.modelspace().query('3DFACE')
triangles = quads = bent = flat = 0
low = [1e300] * 3
high = [-1e300] * 3
top = None
for f in faces:
    v = [Vec3(f.dxf.get(k)) for k in ('vtx0', 'vtx1', 'vtx2', 'vtx3')]
    normal = (v[1] - v[0]).cross(v[2] - v[0])
    if normal.magnitude <= 1e-12 or v[0].isclose(v[1], abs_tol=0) or v[1].isclose(v[2], abs_tol=0):
        flat += 1
    if v[2] == v[3]:
        triangles += 1
    else:
        quads += 1
        if abs(normal.normalize().dot(v[3] - v[0])) > 1e-6:
            bent += 1
    for p in v:
        for a in range(3):
            low[a] = min(low[a], p[a])
            high[a] = max(high[a], p[a])
        if top is None or p.z > top.z:
            top = p
print('faces', len(faces), triangles, quads, bent, flat)
print('layers used', ' '.join(sorted(set(f.dxf.layer for f in faces))))
print('extents', all(abs(a - b) < 1e-9 for a, b in zip(list(h['$EXTMIN']) + list(h['$EXTMAX']), low + high)))
print('top %.6f %.6f %.6f' % (abs(top.x), abs(top.y), top.z))
