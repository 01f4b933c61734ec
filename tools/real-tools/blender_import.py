"""Brings one flower file into the open Blender scene with the importer a user would pick."""
import addon_utils
import bpy


def import_flower(path, fmt, shading="FLAT"):
    """FORMAT is dxf, cad-dxf, obj, stl or glb; SHADING is the glTF importer's shading setting."""
    if fmt in ("dxf", "cad-dxf"):
        addon_utils.enable("io_import_dxf", default_set=True)
        bpy.ops.import_scene.dxf(filepath=path)
    elif fmt == "obj":
        bpy.ops.wm.obj_import(filepath=path)
    elif fmt == "stl":
        bpy.ops.import_mesh.stl(filepath=path)
    elif fmt == "glb":
        bpy.ops.import_scene.gltf(filepath=path, import_shading=shading)
    else:
        raise ValueError("unknown format " + fmt)
