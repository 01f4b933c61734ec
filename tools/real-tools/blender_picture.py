"""Opens one flower file in Blender's window, turns the view onto it and saves a screenshot.

    blender --factory-startup EMPTY.blend --python blender_picture.py -- FILE FORMAT PNG

Runs under Xvfb; a .blend file on the command line keeps the welcome screen away.
Blender quits when the picture is saved.
"""
import math
import os
import sys

import bpy
from mathutils import Euler

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from blender_import import import_flower  # noqa: E402

args = sys.argv[sys.argv.index("--") + 1:]
path, fmt, png = args[0], args[1], args[2]


def view3d():
    for window in bpy.context.window_manager.windows:
        for area in window.screen.areas:
            if area.type == "VIEW_3D":
                region = next(r for r in area.regions if r.type == "WINDOW")
                return window, area, region
    raise RuntimeError("no 3D view")


def prepare():
    for obj in list(bpy.data.objects):
        bpy.data.objects.remove(obj)
    import_flower(path, fmt)
    window, area, region = view3d()
    space = area.spaces.active
    space.shading.type = "SOLID"
    # Each ring's own colour where the file brings materials, otherwise one colour per object.
    space.shading.color_type = "MATERIAL" if bpy.data.materials else "RANDOM"
    space.overlay.show_floor = True
    space.clip_end = 100000.0
    r3d = space.region_3d
    r3d.view_perspective = "PERSP"
    r3d.view_rotation = Euler((math.radians(55), 0.0, math.radians(30))).to_quaternion()
    bpy.context.view_layer.update()
    bpy.app.timers.register(frame, first_interval=0.5)


def frame():
    window, area, region = view3d()
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.view3d.view_all(center=False)
        bpy.ops.object.select_all(action="DESELECT")
    bpy.app.timers.register(shoot, first_interval=1.5)


def shoot():
    window, area, region = view3d()
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.screen.screenshot(filepath=png)
    bpy.ops.wm.quit_blender()


bpy.app.timers.register(prepare, first_interval=1.0)
