#!/usr/bin/python3
"""The whole job by keyboard under the Orca screen reader, as a blind user does it.

    /usr/bin/python3 tests/outside/journey.py build/mv2mgr --helpers DIR [--out OUT]

DIR is the folder of orca_says.py (the outside-testing helpers). Starts Xvfb,
a private session bus, Orca and the editor, with a stand-in keyer on a
pseudo-terminal, then presses the journey's keys: switch Verify after
writing on (heard off, then on), give the keyer's pty to Com3 through Assign
device > Other device after one refusal (/dev/null), Read MV, go to Weight,
change it, Write MV, open the read backup, Write MV, and one refusal (Weight
95). Prints what Orca says at each step, how many accessibility events the
editor sent it and how many Orca dropped in a flood, and the counts of keys
and words; OUT/journey.jsonl keeps it. Not part of the tests: it needs Orca,
Xvfb and about two minutes.
"""
import argparse
import json
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import tty


class StandInKeyer:
    """Answers the keyer's host protocol on a pseudo-terminal, from a thread."""

    def __init__(self):
        self.master, slave = pty.openpty()
        tty.setraw(slave)
        self.device = os.ttyname(slave)
        self.slave = slave
        self.eeprom = bytearray(256)
        self.eeprom[0:17] = bytes([7, 0x23, 9, 7, 50, 10, 20, 12, 23, 5, 0, 15, 50, 48, 0x25, 0x0C, 20])
        self.eeprom[17] = 24
        self.eeprom[18:24] = bytes([0x10] * 6)
        self.buffer = bytearray()
        threading.Thread(target=self.run, daemon=True).start()

    def take(self, n):
        while len(self.buffer) < n:
            self.buffer += os.read(self.master, 1024)
        out, self.buffer = bytes(self.buffer[:n]), self.buffer[n:]
        return out

    def run(self):
        try:
            while True:
                b = self.take(1)[0]
                if b != 0x00:
                    continue  # the attention bytes
                code = self.take(1)[0]
                if code == 0x04:
                    os.write(self.master, self.take(1))
                elif code == 0x09:
                    os.write(self.master, bytes([30]))
                elif code in (0x05, 0x06):
                    os.write(self.master, bytes([0 if code == 0x05 else 128]))
                elif code == 0x0C:
                    os.write(self.master, bytes(self.eeprom))
                elif code == 0x0D:
                    self.eeprom = bytearray(self.take(256))
                elif code == 0x0E:
                    self.take(1)
        except OSError:
            pass


def outer(args):
    root = tempfile.mkdtemp(prefix="journey-")
    out = os.path.abspath(args.out or os.path.join(root, "out"))
    os.makedirs(out, exist_ok=True)
    env = dict(os.environ)
    for k in ("XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"):
        env.pop(k, None)
    for name in ("home", "config", "data", "cache", "runtime", "orca-prefs", "app-config", "app-runtime",
                 "app-data"):
        os.makedirs(os.path.join(root, name), mode=0o700, exist_ok=True)
    env.update(HOME=os.path.join(root, "home"), XDG_CONFIG_HOME=os.path.join(root, "config"),
               XDG_DATA_HOME=os.path.join(root, "data"), XDG_CACHE_HOME=os.path.join(root, "cache"),
               XDG_RUNTIME_DIR=os.path.join(root, "runtime"), GSETTINGS_BACKEND="memory", LANG="C.UTF-8",
               LC_ALL="C.UTF-8", ORCA_SAYS_ROOT=root, ORCA_SAYS_OUT=out)
    rc = subprocess.call(["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "dbus-run-session", "--",
                          sys.executable, os.path.abspath(__file__), "--inner"] + sys.argv[1:], env=env)
    print("output in %s" % out)
    return rc


APP_EVENT = re.compile(r" - EVENT MANAGER: [a-z:-]+ for \[.*\] in \[application \| mv2mgr\]")


def inner(args):
    sys.path.insert(0, os.path.abspath(args.helpers))
    from orca_says import Orca, main_window, xdo

    root, out = os.environ["ORCA_SAYS_ROOT"], os.environ["ORCA_SAYS_OUT"]
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL)
    keyer = StandInKeyer()
    orca = Orca(root)
    app = None
    try:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(root, "app-config"),
                   XDG_DATA_HOME=os.path.join(root, "app-data"),
                   XDG_RUNTIME_DIR=os.path.join(root, "app-runtime"), QT_QPA_PLATFORM="xcb",
                   QT_QPA_PLATFORMTHEME="", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        app = subprocess.Popen([os.path.abspath(args.editor)], env=env,
                               stdout=open(os.path.join(out, "editor.out"), "w"), stderr=subprocess.STDOUT)
        wid = main_window(app.pid)
        jsonl = open(os.path.join(out, "journey.jsonl"), "w")
        steps = []
        keys = 0

        def step(label, key=None, typed=None, phase="", wait=0.0, focus_on=None):
            """Presses `key` (or types `typed`), waits until Orca is quiet, and
            notes what it said and how many events the editor sent it."""
            nonlocal keys
            keys += len(key.split()) if key else 0
            keys += len(typed) if typed else 0
            orca.mark()
            if focus_on:   # no window manager gives the focus back after a dialog
                xdo("windowfocus", focus_on)
            for k in (key or "").split():
                xdo("key", "--delay", "60", k)
            if typed:
                xdo("type", "--delay", "80", typed)
            time.sleep(wait)
            said, focus, synth = orca.collect(quiet=1.5 if wait else 0.8, most=12)
            with open(orca.log_path, "rb") as f:
                f.seek(orca.pos)
                chunk = f.read().decode("utf-8", "replace")
            events = len(APP_EVENT.findall(chunk))
            dropped = chunk.count("due to deluge") + chunk.count("due to flood")
            rec = {"phase": phase, "step": len(steps) + 1, "key": label, "focus": focus[-1] if focus else None,
                   "said": said, "synth": synth, "events": events, "dropped": dropped}
            steps.append(rec)
            jsonl.write(json.dumps(rec) + "\n")
            jsonl.flush()
            print("%3d %-26s events=%-3d%s focus=%s" % (rec["step"], label, events,
                                                        " DROPPED=%d" % dropped if dropped else "", rec["focus"]),
                  flush=True)
            for s in said:
                print("      says: %s" % s, flush=True)
            return rec

        def window_of(title, timeout=10):
            deadline = time.time() + timeout
            while time.time() < deadline:
                wids = xdo("search", "--onlyvisible", "--name", title).split()
                if wids:
                    return wids[-1]
                time.sleep(0.2)
            raise RuntimeError("no window %r" % title)

        step("(start: window gets focus)", phase="start", focus_on=wid)

        # Verify after writing, heard off, switched on, heard on.
        step("Alt+C", "alt+c", phase="verify")
        step("Up (Verify after writing)", "Up", phase="verify")
        step("Return (switch on)", "Return", phase="verify")
        step("Alt+C", "alt+c", phase="verify", focus_on=wid)
        step("Up (Verify after writing)", "Up", phase="verify")
        step("Escape", "Escape", phase="verify")
        step("Escape", "Escape", phase="verify")

        # Assign device: the stand-in keyer's pty to Com3, after one refusal.
        step("Alt+C", "alt+c", phase="assign", focus_on=wid)
        step("a (Assign device)", "a", phase="assign")
        step("End (Other device)", "End", phase="assign")
        step("Tab", "Tab", phase="assign")
        step("type /dev/null", typed="/dev/null", phase="assign")
        step("Return (OK)", "Return", phase="assign")
        step("Return (close the box)", "Return", phase="assign")
        dialog = window_of("Assign device")
        step("Ctrl+A", "ctrl+a", phase="assign", focus_on=dialog)
        step("type the keyer's pty", typed=keyer.device, phase="assign")
        step("Tab", "Tab", phase="assign")
        step("Tab", "Tab", phase="assign")
        step("Down", "Down", phase="assign")
        step("Down", "Down", phase="assign")
        step("Return (OK)", "Return", phase="assign", wait=1)

        step("Ctrl+R (Read MV)", "ctrl+r", phase="read", wait=3, focus_on=wid)
        step("Ctrl+G (go to)", "ctrl+g", phase="weight")
        step("type 'wei'", typed="wei", phase="weight")
        step("Return", "Return", phase="weight")
        step("Ctrl+A", "ctrl+a", phase="weight")
        step("type '55'", typed="55", phase="weight")
        step("Ctrl+W (Write MV)", "ctrl+w", phase="write", wait=5)
        step("Alt+F", "alt+f", phase="backup")
        step("b (Open Backup)", "b", phase="backup")
        step("Down", "Down", phase="backup")
        step("Return", "Return", phase="backup")
        step("(refocus main window)", phase="backup", focus_on=wid)
        step("Ctrl+W (Write MV)", "ctrl+w", phase="restore", wait=5)
        core = keys
        step("Ctrl+G (go to)", "ctrl+g", phase="refusal")
        step("type 'wei'", typed="wei", phase="refusal")
        step("Return", "Return", phase="refusal")
        step("Ctrl+A", "ctrl+a", phase="refusal")
        step("type '95'", typed="95", phase="refusal")
        # Away and back: a marked field says what the keyer holds.
        step("Tab", "Tab", phase="refusal")
        step("Shift+Tab", "shift+Tab", phase="refusal")
        step("Ctrl+W (Write MV)", "ctrl+w", phase="refusal", wait=3)
        step("Return (OK)", "Return", phase="refusal")

        words = sum(len(s.split()) for rec in steps for s in rec["said"])
        spoken = sum(len(s.split()) for rec in steps for s in rec["said"] if not s.startswith("(echo)"))
        print("core journey: %d keys; whole run: %d keys, %d words heard (%d without key echo)"
              % (core, keys, words, spoken))
        print("events dropped by Orca in a flood or deluge: %d" % sum(rec["dropped"] for rec in steps))
        print("keyer holds Weight %d" % keyer.eeprom[4])
        jsonl.close()
    finally:
        if app is not None and app.poll() is None:
            app.terminate()
            try:
                app.wait(5)
            except subprocess.TimeoutExpired:
                app.kill()
        orca.stop()
        for name in ("orca-debug.log", "spoken.txt", "orca.out"):
            if os.path.exists(os.path.join(root, name)):
                shutil.copy(os.path.join(root, name), out)
    return 0


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("editor")
    p.add_argument("--helpers", required=True, help="the folder of orca_says.py")
    p.add_argument("--out", help="output folder")
    p.add_argument("--inner", action="store_true", help=argparse.SUPPRESS)
    args = p.parse_args()
    sys.exit(inner(args) if args.inner else outer(args))


if __name__ == "__main__":
    main()
