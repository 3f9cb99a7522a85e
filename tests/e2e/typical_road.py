#!/usr/bin/env python3
"""End-to-end: the real program under Xvfb with a window manager, driven with
xdotool as a person would click: "E", the first projectile class entry, the
first projectile preset, START, START on the calculation form, then
"V, H = f (x)", then the graph area's context menu: "Save graph as PNG" and
"Export data as CSV", typing the path into Qt's own file dialog. Checks the
sample file, that the graph area changed after each graph, that the saved
PNG holds the pixels on screen and that the CSV has its 500 rows; that the
mouse over the graph shows the read-out and leaving takes it away; that a
run kept with Ctrl+K is drawn under the next one after the path angle
changes; that the inputs saved with Ctrl+Shift+S, opened at the next start
from the command line and then with Ctrl+O, run to the same sample file.
Leaves screenshots in the artifacts folder. Runs again on a 1366 x 768 screen,
scrolling the calculation form to its START and its graph. Then once with the
keyboard alone in German: language, class, preset, START, the path angle,
START, "V, H = f (x)", the graph's menu and its save dialog (in German).

Usage: typical_road.py TORV_BINARY ARTIFACT_DIR
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

START_CAPTION = r"Torv version 1\.16 \(Beta\)"
CALC_CAPTION = r"TORV vers 1\.16 Beta"


def run(*args, env=None, check=True):
    return subprocess.run(args, env=env, check=check, capture_output=True, text=True).stdout


def free_display():
    for n in range(91, 140):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return f":{n}"
    raise RuntimeError("no free X display number")


class Desktop:
    def __init__(self, size="1600x1200"):
        self.size = size
        self.display = free_display()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.procs = []

    def __enter__(self):
        self.procs.append(subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", f"{self.size}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        for _ in range(100):
            if subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        else:
            raise RuntimeError("Xvfb did not start")
        self.procs.append(subprocess.Popen(["openbox"], env=self.env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(1.0)
        return self

    def start(self, argv, cwd):
        # What the program remembers stays in the test's folder.
        env = dict(self.env, LC_ALL="C.UTF-8", LANG="C.UTF-8", XDG_CONFIG_HOME=cwd)
        p = subprocess.Popen(argv, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.procs.append(p)
        return p

    def __exit__(self, *exc):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()

    def window(self, name, timeout=20):
        end = time.time() + timeout
        while time.time() < end:
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                                 env=self.env, capture_output=True, text=True).stdout.split()
            if out:
                return out[-1]
            time.sleep(0.2)
        raise AssertionError(f"no window named {name!r}")

    def until(self, probe, what, timeout=30):
        """probe()'s first true value, polled until `timeout` seconds: a busy
        machine takes its time, and the test waits for what it checks."""
        end = time.time() + timeout
        while True:
            value = probe()
            if value or time.time() > end:
                assert value, what
                return value
            time.sleep(0.2)

    def active(self, win):
        """Waits until `win` has the keyboard."""
        self.until(lambda: run("xdotool", "getactivewindow", env=self.env, check=False).strip() == win,
                   f"window {win} never became active")

    def shot_until(self, shoot, holds, what):
        """shoot() again and again until holds(png); returns that png."""
        return self.until(lambda: (lambda png: png if holds(png) else None)(shoot()), what)

    def shot_changed(self, shoot, area, old, what):
        """shoot() until the area's pixels are no longer those hashed as `old`."""
        return self.shot_until(shoot, lambda png: self.region_hash(png, *area) != old, what)

    def click(self, win, x, y):
        """Clicks at (x, y) of the window's client area."""
        run("xdotool", "windowactivate", "--sync", win, env=self.env, check=False)
        run("xdotool", "mousemove", "--window", win, str(x), str(y), env=self.env)
        time.sleep(0.15)
        run("xdotool", "click", "1", env=self.env)
        time.sleep(0.4)

    def menu_entry(self, win, x, y, downs, path):
        """Right-clicks at (x, y), picks the menu's entry number `downs`, and
        types `path` into the file dialog that opens."""
        run("xdotool", "mousemove", "--window", win, str(x), str(y), env=self.env)
        time.sleep(0.15)
        run("xdotool", "click", "3", env=self.env)
        time.sleep(0.5)
        run("xdotool", "key", *["Down"] * downs, "Return", env=self.env)
        self.file_dialog("^Save graph as PNG$|^Export data as CSV$", path)
        end = time.time() + 10
        while not os.path.exists(path) and time.time() < end:
            time.sleep(0.2)
        assert os.path.exists(path), f"{path} was not written"
        time.sleep(0.5)

    def file_dialog(self, title, path):
        """Types `path` into the file dialog named `title` and accepts it."""
        dialog = self.window(title)
        self.active(dialog)
        run("xdotool", "key", "--window", dialog, "ctrl+a", env=self.env)
        run("xdotool", "type", "--delay", "20", path, env=self.env)
        time.sleep(0.3)
        run("xdotool", "key", "Return", env=self.env)
        time.sleep(0.5)

    def wheel(self, win, x, y, notches):
        """Turns the wheel at (x, y) of the window: down for notches > 0."""
        run("xdotool", "mousemove", "--window", win, str(x), str(y), env=self.env)
        run("xdotool", "click", "--repeat", str(abs(notches)), "5" if notches > 0 else "4", env=self.env)
        time.sleep(0.4)

    def shot(self, win, path):
        run("import", "-window", win, path, env=self.env)
        return path

    def region(self, png, x, y, w, h):
        return subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "rgb:-"],
                              capture_output=True, check=True).stdout

    def region_hash(self, png, x, y, w, h):
        return hashlib.sha1(self.region(png, x, y, w, h)).hexdigest()

    def move(self, win, x, y):
        run("xdotool", "mousemove", "--window", win, str(x), str(y), env=self.env)
        time.sleep(0.5)

    def key(self, win, keys):
        run("xdotool", "windowactivate", "--sync", win, env=self.env, check=False)
        run("xdotool", "key", keys, env=self.env)
        time.sleep(0.5)


def pixels_of(raw, rgb):
    """How many pixels of raw RGB bytes have the colour `rgb`."""
    want = bytes(rgb)
    return sum(1 for i in range(0, len(raw), 3) if raw[i:i + 3] == want)


SAMPLE_LINE = re.compile(
    r"^  +\d+\.\d{2}  +-?\d+\.\d{2}  +-?\d+\.\d{2}  +-?\d+\.\d  +-?\d+\.\d  +-?\d+\.\d  +-?\d+\.\d  +-?\d+\.\d{6}  $")


def check_sample_file(path):
    data = open(path, "rb").read()
    assert b"\r\n" in data, "lines must end with CR LF"
    lines = data.decode("ascii").split("\r\n")
    assert lines[-1] == "", "file must end with CR LF"
    lines = lines[:-1]
    assert len(lines) == 503, f"{len(lines)} lines instead of 503"
    assert lines[0] == " " and lines[2] == " "
    assert lines[1] == "    j      t       X,km      H,km     V      q     Q     Roh", repr(lines[1])
    for j, line in enumerate(lines[3:], start=1):
        assert SAMPLE_LINE.match(line), f"sample line {j} malformed: {line!r}"
        assert float(line.split()[0]) == j, f"line {j} numbered {line.split()[0]}"
    # First projectile preset: 100 m/s at 45 degrees from 1 m, landing after
    # about 14 s, a little short of v^2/g = 1020 m.
    last = lines[-1].split()
    t_end, x_end = float(last[1]), float(last[2])
    assert 13.0 < t_end < 15.0, f"flight time {t_end}"
    assert 900 < x_end < 1021, f"range {x_end}"


def wait_for_sample(work):
    """The run's Torv_500.txt in `work`, once written (and drawn)."""
    sample = os.path.join(work, "Torv_500.txt")
    end = time.time() + 60
    while not os.path.exists(sample) and time.time() < end:
        time.sleep(0.2)
    assert os.path.exists(sample), "Torv_500.txt was not written"
    time.sleep(1.0)
    return sample


FORM_HEIGHT = 868
READOUT_INK = (0, 90, 200)   # the read-out's cursor and frame
KEPT_INK = (0, 80, 230)      # the first kept run


def road(artifacts, torv, size, exports=True):
    """The typical road on a screen of `size`; screenshots go to `artifacts`.
    `exports`: also save the graph and export the data through the menu."""
    os.makedirs(artifacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="torv-e2e-")
    screen_w, screen_h = (int(v) for v in size.split("x"))
    try:
        with Desktop(size) as desk:
            app = desk.start([torv], cwd=work)
            start = desk.window(START_CAPTION)
            time.sleep(0.5)
            desk.shot(start, f"{artifacts}/1_notice.png")
            desk.click(start, 229 + 20, 323 + round(149 * 5 / 6))   # "E"
            desk.shot(start, f"{artifacts}/2_classes.png")
            desk.click(start, 10 + 60, 56 + 12)                     # first class entry
            desk.click(start, 337 + 60, 353 + 8)                    # first preset
            desk.shot(start, f"{artifacts}/3_preset.png")
            desk.click(start, 708 + 25, 12 + 25)                    # START
            calc = desk.window(CALC_CAPTION)
            time.sleep(0.5)
            g = dict(v.split("=") for v in run("xdotool", "getwindowgeometry", "--shell", calc, env=desk.env).split())
            x, y, w, h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
            assert x >= 0 and y > 0 and x + w <= screen_w and y + h <= screen_h, \
                f"calculation form at {x},{y} {w}x{h} does not lie on the {size} screen with its title bar"
            small = h < FORM_HEIGHT
            wheel_at = (600, min(h - 40, 400))  # over the graph area, where no control takes the wheel
            dy = FORM_HEIGHT - h if small else 0  # the graph area as scrolled into view
            area = (276, 216 - dy, 800, min(600, h - 216 + dy))

            def graph_shot(path):  # scrolled down to the graph area, then back up to the buttons
                if small:
                    desk.wheel(calc, *wheel_at, 20)
                png = desk.shot(calc, path)
                if small:
                    desk.wheel(calc, *wheel_at, -20)
                return png

            before = graph_shot(f"{artifacts}/4_calc_form.png")
            h0 = desk.region_hash(before, *area)
            desk.click(calc, 1164 + 28, 7 + 30)                     # START of the calculation form
            sample = wait_for_sample(work)
            after_run = desk.shot_changed(lambda: graph_shot(f"{artifacts}/5_default_graph.png"), area, h0,
                                          "graph area did not change after START")
            h1 = desk.region_hash(after_run, *area)
            desk.click(calc, 650 + 43, 89 + 15)                     # "V, H = f (x)"
            after_button = desk.shot_changed(lambda: graph_shot(f"{artifacts}/6_range_graph.png"), area, h1,
                                             "graph area did not change after V, H = f (x)")
            h2 = desk.region_hash(after_button, *area)
            check_sample_file(sample)
            shutil.copy(sample, os.path.join(artifacts, "Torv_500.txt"))

            if not exports:
                assert app.poll() is None, "the program ended unexpectedly"
                return
            # The read-out over the graph, and gone once the mouse leaves.
            desk.move(calc, 276 + 400, 216 + 250)
            desk.shot_until(lambda: desk.shot(calc, f"{artifacts}/7_read_out.png"),
                            lambda png: pixels_of(desk.region(png, *area), READOUT_INK) > 50,
                            "no read-out cursor under the mouse")
            desk.move(calc, 60, 60)
            desk.shot_until(lambda: desk.shot(calc, f"{artifacts}/8_mouse_left.png"),
                            lambda png: desk.region_hash(png, *area) == h2,
                            "the read-out stayed after the mouse left")

            out = os.path.join(work, "exports")
            os.mkdir(out)
            png, csv = os.path.join(out, "graph.png"), os.path.join(out, "data.csv")
            desk.menu_entry(calc, 700, 500, 1, png)
            desk.move(calc, 60, 60)
            desk.shot_until(lambda: desk.shot(calc, f"{artifacts}/9_after_save.png"),
                            lambda shot: desk.region_hash(shot, *area) == desk.region_hash(png, 0, 0, 800, 600),
                            "saved PNG differs from the graph on screen")
            assert desk.region_hash(png, 0, 0, 800, 600) == h2, "the graph changed while saving"
            desk.menu_entry(calc, 700, 500, 3, csv)
            rows = open(csv, encoding="utf-8").read().split("\n")
            assert rows[-1] == "" and len(rows) == 502, f"{len(rows) - 1} CSV lines instead of 501"
            assert rows[0].startswith("time [s],speed [m/s],"), rows[0]
            columns = len(rows[0].split(","))
            assert all(len(r.split(",")) == columns for r in rows[:-1]), f"a CSV line without {columns} fields"
            shutil.copy(png, artifacts)

            # Kept, then run again at another path angle: both runs drawn.
            desk.key(calc, "ctrl+k")
            desk.click(calc, 197 + 30, 576 + 11)                    # the path angle field
            run("xdotool", "key", "ctrl+a", env=desk.env)
            run("xdotool", "type", "--delay", "20", "30", env=desk.env)
            before_rerun = os.path.getmtime(sample)
            desk.click(calc, 1164 + 28, 7 + 30)                     # START
            end = time.time() + 30
            while os.path.getmtime(sample) == before_rerun and time.time() < end:
                time.sleep(0.2)
            desk.move(calc, 60, 60)
            desk.shot_until(lambda: desk.shot(calc, f"{artifacts}/10_two_runs.png"),
                            lambda png: pixels_of(desk.region(png, *area), KEPT_INK) > 100,
                            "the kept run is not drawn")
            assert app.poll() is None, "the program ended unexpectedly"

            # The inputs saved as a scenario run to the same samples when the
            # program opens the file at its next start, and through Ctrl+O.
            samples = open(sample, "rb").read()
            scenario = os.path.join(out, "mine.toml")
            desk.key(calc, "ctrl+shift+s")
            desk.file_dialog("^Save scenario$", scenario)
            assert os.path.exists(scenario), "the scenario was not saved"
            desk.click(calc, 1168 + 24, 136 + 24)                   # QUIT
            app.wait(10)
            for how in ("command line", "Ctrl+O"):
                os.remove(sample)
                if how == "command line":
                    app = desk.start([torv, scenario], cwd=work)
                    calc = desk.window(CALC_CAPTION + ".*Projectil, Q= 45 Grad")
                    time.sleep(0.5)
                    desk.shot(calc, f"{artifacts}/11_scenario_opened.png")
                else:
                    desk.key(calc, "ctrl+o")
                    desk.file_dialog("^Open scenario$", scenario)
                desk.click(calc, 1164 + 28, 7 + 30)                 # START
                end = time.time() + 30
                while not os.path.exists(sample) and time.time() < end:
                    time.sleep(0.2)
                assert os.path.exists(sample), f"START after opening by {how} wrote no samples"
                time.sleep(0.5)
                assert open(sample, "rb").read() == samples, f"the scenario opened by {how} ran to other samples"
            assert app.poll() is None, "the program ended unexpectedly"
    finally:
        shutil.rmtree(work, ignore_errors=True)


def keys(desk, *names):
    run("xdotool", "key", "--delay", "150", *names, env=desk.env)
    time.sleep(0.5)


def keyboard_road(artifacts, torv):
    """The road with the keyboard alone, in German."""
    os.makedirs(artifacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="torv-e2e-keys-")
    try:
        with Desktop() as desk:
            app = desk.start([torv], cwd=work)
            start = desk.window(START_CAPTION)
            time.sleep(0.5)
            run("xdotool", "windowactivate", "--sync", start, env=desk.env, check=False)
            keys(desk, "Down", "Return")             # D
            keys(desk, "Return")                     # the first class, focused
            keys(desk, "Tab", "Return")              # the first preset
            desk.shot(start, f"{artifacts}/1_preset.png")
            keys(desk, "Tab", "Return")              # START
            calc = desk.window(CALC_CAPTION)
            desk.active(calc)
            # START has the focus: back over Tk, V0 and H0 to the path angle.
            keys(desk, *["shift+Tab"] * 4)
            run("xdotool", "type", "--delay", "40", "30", env=desk.env)
            area = (276, 216, 800, 600)
            before = desk.region_hash(desk.shot(calc, f"{artifacts}/2_run.png"), *area)
            keys(desk, "Return")                     # Enter in a field runs START
            sample = wait_for_sample(work)
            after_run = desk.shot_changed(lambda: desk.shot(calc, f"{artifacts}/2_run.png"), area, before,
                                          "the run drew no graph")
            keys(desk, *["Tab"] * 11, "Return")      # H0, V0, Tk, START, the graph area, then "V, H = f (x)"
            after_button = desk.shot_changed(lambda: desk.shot(calc, f"{artifacts}/3_range_graph.png"), area,
                                             desk.region_hash(after_run, *area), "V, H = f (x) drew nothing")
            keys(desk, *["shift+Tab"] * 6, "Menu")   # back to the graph area, its menu
            desk.shot(calc, f"{artifacts}/4_menu.png")
            keys(desk, "Down", "Return")             # "Grafik als PNG speichern"
            dialog = desk.window("^Grafik als PNG speichern$")
            desk.active(dialog)
            run("import", "-window", "root", f"{artifacts}/5_save_dialog.png", env=desk.env)
            out = os.path.join(work, "mygraph")
            keys(desk, "ctrl+a")
            run("xdotool", "type", "--delay", "20", out, env=desk.env)
            keys(desk, "Return")
            end = time.time() + 10
            while not os.path.exists(out + ".png") and time.time() < end:
                time.sleep(0.2)
            assert os.path.exists(out + ".png"), "the graph was not saved as mygraph.png"
            assert desk.region_hash(out + ".png", 0, 0, 800, 600) == desk.region_hash(after_button, *area), \
                "the saved picture differs from the graph on show"
            assert app.poll() is None, "the program ended unexpectedly"
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    torv, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    road(artifacts, torv, "1600x1200")
    road(os.path.join(artifacts, "1366x768"), torv, "1366x768", exports=False)
    keyboard_road(os.path.join(artifacts, "keyboard"), torv)
    print("3 passed, 0 failed")


if __name__ == "__main__":
    main()
