"""Prints the accessibility tree of a running Petalwright window as assistive technology sees it
(role "name" [focusable] - description), one object a line, indented by depth."""
import sys
import time

import pyatspi


def walk(node, depth, out):
    try:
        role = node.getRoleName()
        name = node.name or ""
        states = node.getState()
        focusable = " [focusable]" if states.contains(pyatspi.STATE_FOCUSABLE) else ""
        description = f" - {node.description}" if node.description else ""
        labels = [r for r in node.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        label = ""
        if labels:
            label = " labelled by " + ", ".join(f'"{labels[0].getTarget(i).name}"' for i in range(labels[0].getNTargets()))
        out.append(f'{"  " * depth}{role} "{name}"{focusable}{label}{description}')
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), depth + 1, out)
    except Exception as error:  # an object that went away while being read
        out.append(f'{"  " * depth}({error})')


def main():
    wanted = sys.argv[1] if len(sys.argv) > 1 else "petalwright"
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and wanted in (app.name or "").lower():
                out = []
                walk(app, 0, out)
                print("\n".join(out))
                return 0
        time.sleep(0.2)
    print(f"no application named {wanted}", file=sys.stderr)
    return 1


sys.exit(main())
