#!/usr/bin/python3
"""What a screen reader is told by the real editor window, read through the
accessibility bus (AT-SPI) under Xvfb. Not part of the test suite: it needs
the bus, Xvfb and pyatspi. Run it inside the private session script:

    start_session.sh /usr/bin/python3 tests/outside/screen_reader_check.py build/mv2mgr FILE.eep

with the folder of start_session.sh's drive_example.py on PYTHONPATH.
Prints what it finds; exits 1 when a check fails.
"""
import os
import sys
import time

import pyatspi as R
from drive_example import App, act, act_nowait, find, type_into, wait_for, window, xdo

failures = []


def check(what, ok, seen):
    print(f"{'ok  ' if ok else 'FAIL'} {what}: {seen!r}")
    if not ok:
        failures.append(what)


def labels_of(acc):
    names = []
    for rel in acc.getRelationSet():
        if rel.getRelationType() == R.RELATION_LABELLED_BY:
            names += [rel.getTarget(i).name for i in range(rel.getNTargets())]
    return names


def main():
    editor, eep = sys.argv[1], sys.argv[2]
    app = App([editor])
    main_win = window(app, R.ROLE_FRAME, "Morvel2 Standalone Editor")
    xdo("windowfocus", "--sync", str(int(os.popen("xdotool search --name 'Morvel2 Standalone Editor'").read().split()[0])))

    # The texts the program writes are read by what they show.
    bytes_left = wait_for(lambda: find(main_win, R.ROLE_LABEL, "Msg Bytes Left: 232", timeout=0.2), 3, "bytes left")
    check("bytes left is read as its text", bytes_left.name == "Msg Bytes Left: 232", bytes_left.name)
    check("bytes left says what it is", bytes_left.description == "Message bytes left", bytes_left.description)

    # Lists are announced with their caption.
    for caption in ("Keyer Mode", "Paddle Hang", "Sidetone Hz", "Output Config"):
        combos = [c for c in R.findAllDescendants(main_win, lambda x: x.getRole() == R.ROLE_COMBO_BOX)]
        labelled = [c for c in combos if caption in labels_of(c)]
        check(f"a list is labelled \"{caption}\"", len(labelled) == 1, [labels_of(c) for c in combos])

    scroll = R.findDescendant(main_win, lambda x: x.name == "Editor panel")
    check("the scroll area has a name", scroll is not None, scroll.getRoleName() if scroll else None)

    maxf = R.findDescendant(main_win, lambda x: x.getRole() == R.ROLE_TEXT and x.name == "MAX")
    check("MAX describes its number", bool(maxf and "speed pot" in maxf.description), maxf.description if maxf else None)

    # The Comm items speak no tab.
    comm = find(main_win, R.ROLE_MENU_ITEM, "Comm")
    act(comm, "ShowMenu")
    com1 = wait_for(lambda: R.findDescendant(main_win, lambda x: x.getRole() in (R.ROLE_CHECK_MENU_ITEM, R.ROLE_MENU_ITEM)
                                             and x.name.startswith("Com1 ")), 3, "Com1 item")
    check("Com1 item has no tab", "\t" not in com1.name, com1.name)
    xdo("key", "Escape")

    # Test MV with no keyer: the link status is read with its reason.
    test = find(main_win, R.ROLE_PUSH_BUTTON, "Test MV")
    act(test, "Press")
    status = wait_for(lambda: R.findDescendant(main_win, lambda x: x.getRole() == R.ROLE_LABEL
                                               and x.name.startswith("MV Fail")), 8, "link status")
    check("link status is read as its text", status.name.startswith("MV Fail:"), status.name)
    check("link status's description says why", len(status.description) > 20, status.description)
    ng = wait_for(lambda: R.findDescendant(main_win, lambda x: x.getRole() == R.ROLE_LABEL and x.name == "MV NG"), 3, "MV NG")
    check("operation status is read as its text", ng is not None, ng.name)
    notes = [x for x in R.findAllDescendants(main_win, lambda x: x.getRole() == R.ROLE_NOTIFICATION)]
    # Said as one, the link's reason first: a reader would read a second
    # announcement over the first.
    check("an announcement carries the reason, then the status",
          any(n.name.startswith("MV Fail:") and n.name.endswith(" MV NG") for n in notes), [n.name for n in notes])

    # File > Open: the file name text is read in full.
    act(find(main_win, R.ROLE_MENU_ITEM, "File"), "ShowMenu")
    act_nowait(find(main_win, R.ROLE_MENU_ITEM, "Open"))
    dialog = wait_for(lambda: next(w for w in app.root if w.getRole() == R.ROLE_DIALOG), 5, "open dialog")
    type_into(find(dialog, R.ROLE_TEXT, "File name:"), eep, commit="Return")
    base = os.path.basename(eep)
    name = wait_for(lambda: R.findDescendant(main_win, lambda x: x.getRole() == R.ROLE_LABEL
                                             and x.name.startswith("File Name:")), 5, "file name")
    print(f"     file name text reads {name.name!r}, tooltip path via description/tooltip not on the bus")
    app.stop()
    print("FAILED: " + ", ".join(failures) if failures else "PASS")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
