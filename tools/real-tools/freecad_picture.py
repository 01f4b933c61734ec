"""Opens one flower file in FreeCAD's window (Mesh import) and shows it from the usual corner.

    FLOWER_FILE=... FLOWER_READY=... freecad freecad_picture.py      (under Xvfb)

Creates the file FLOWER_READY when the flower is shown; the caller takes the screenshot (the
window's own grab leaves the 3-D view empty) and ends FreeCAD.
"""
import os

import FreeCAD
import FreeCADGui
import Mesh
from PySide2 import QtCore

path = os.environ["FLOWER_FILE"]
ready = os.environ["FLOWER_READY"]


def done():
    open(ready, "w").close()


def show():
    doc = FreeCAD.newDocument("flower")
    Mesh.insert(path, doc.Name)
    doc.recompute()
    view = FreeCADGui.activeDocument().activeView()
    view.viewIsometric()
    view.fitAll()
    QtCore.QTimer.singleShot(1000, done)


QtCore.QTimer.singleShot(2000, show)
