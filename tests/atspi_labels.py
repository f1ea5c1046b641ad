#!/usr/bin/env python3
"""What a screen reader hears of the search inputs, asked through AT-SPI.

Usage: atspi_labels.py PROGRAM DATA_DIR

Starts the reader's program (PROGRAM) in two editions, each in a directory of
its own with the edition's data file from DATA_DIR and no settings file, on
the X display and the session bus it is given (the test runs it under
xvfb-run and dbus-run-session). For each it finds the window by its caption
and checks that the window is a frame, that the search group lists exactly
the four shown inputs and their labels, that each input is labelled by its
own label, that the search word's field is named by its label, and that the
grid is a table named in the edition's words. Exits 1 on the first edition
that fails, 0 when both pass.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

EDITIONS = [
    {
        "lang": "da_DK.UTF-8",
        "file": "Base.xml",
        "caption": "Vexor for alle - årsregister",
        "labels": ["Årgang:", "Nummer:", "Kategori:", "Søgeord:"],
        "word": "Søgeord",
        "grid": "Artikler",
    },
    {
        "lang": "sv_SE.UTF-8",
        "file": "BaseSv.xml",
        "caption": "Vexor för alla - årsregister",
        "labels": ["Årgång:", "Tidning nr:", "Kategori:", "Sökord:"],
        "word": "Sökord",
        "grid": "Artiklar",
    },
]

INPUT_ROLES = (pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def descendants(node):
    for child in children(node):
        if child is None:
            continue
        yield child
        if child.getRole() != pyatspi.ROLE_TABLE:
            yield from descendants(child)


def find_frame(caption, deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            try:
                for top in children(app):
                    if top is not None and top.name == caption:
                        return top
            except Exception:  # an application that went away meanwhile
                continue
        time.sleep(0.3)
    return None


def labelled_by(node):
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                names.append(relation.getTarget(i).name)
    return names


def place(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (extents.y, extents.x)


def check(edition, frame):
    problems = []
    if frame.getRole() != pyatspi.ROLE_FRAME:
        problems.append("the window's role is %s, not frame" % frame.getRoleName())
    group = None
    for node in descendants(frame):
        inputs = [c for c in children(node) if c.getRole() in INPUT_ROLES]
        if len(inputs) >= 3:
            group = node
            break
    if group is None:
        return problems + ["no group of search inputs found"]
    inputs = sorted((c for c in children(group) if c.getRole() in INPUT_ROLES), key=place)
    labels = [c.name for c in children(group) if c.getRole() == pyatspi.ROLE_LABEL]
    if len(inputs) != 4:
        problems.append("the search group lists %d inputs, not 4: %s"
                        % (len(inputs), [c.getRoleName() for c in inputs]))
    if sorted(labels) != sorted(edition["labels"]):
        problems.append("the search group's labels are %s" % labels)
    # The inputs by their place: year, issue, category on the first line,
    # the word below.
    for node, label in zip(inputs, edition["labels"]):
        heard = labelled_by(node)
        if not heard or heard[0] != label:
            problems.append("%s %r is labelled by %s, not %r"
                            % (node.getRoleName(), node.name, heard, label))
    word = [n for n in inputs if n.getRole() != pyatspi.ROLE_COMBO_BOX]
    if len(word) != 1 or word[0].name != edition["word"]:
        problems.append("the search word's field is named %s, not %r"
                        % ([n.name for n in word], edition["word"]))
    tables = [n for n in descendants(frame) if n.getRole() == pyatspi.ROLE_TABLE]
    if len(tables) != 1 or tables[0].name != edition["grid"]:
        problems.append("the grid is %s, not a table named %r"
                        % ([n.name for n in tables], edition["grid"]))
    elif tables[0].queryTable().nColumns != 6:
        problems.append("the grid has %d columns, not 6" % tables[0].queryTable().nColumns)
    return problems


def run(program, data_dir, edition):
    work = tempfile.mkdtemp(prefix="vregister_atspi_")
    try:
        shutil.copy(os.path.join(data_dir, edition["file"]), work)
        env = dict(os.environ)
        env.update({
            "LANG": edition["lang"],
            "XDG_CONFIG_HOME": os.path.join(work, "cfg"),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
        })
        for name in ("LC_ALL", "LC_MESSAGES"):
            env.pop(name, None)
        process = subprocess.Popen([program], cwd=work, env=env)
        try:
            frame = find_frame(edition["caption"], time.time() + 60)
            if frame is None:
                return ["no window %r appeared" % edition["caption"]]
            return check(edition, frame)
        finally:
            process.terminate()
            process.wait(timeout=30)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    program, data_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    failed = False
    for edition in EDITIONS:
        problems = run(program, data_dir, edition)
        for problem in problems:
            print("%s: %s" % (edition["lang"], problem))
        if problems:
            failed = True
        else:
            print("%s: the four inputs are heard by their labels" % edition["lang"])
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
