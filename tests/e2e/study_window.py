#!/usr/bin/env python3
"""End-to-end: the study window driven with the keyboard alone, in English:
Ctrl+Y on the calculation form of the first projectile preset, a sweep of the
path angle run and its picture saved through Qt's file dialog, the row
removed, a study of a normally drawn path angle run, its histogram, its
cumulative distribution (chosen with the picture selector), its table and
its JSON lines saved, which must be torv-batch's for the same study; the
study saved as a scenario, and opened again with Ctrl+O, runs to the same
lines.

Usage: study_window.py TORV_BINARY TORV_BATCH_BINARY ARTIFACT_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

from typical_road import CALC_CAPTION, START_CAPTION, Desktop, keys, pixels_of, run


CURVE, MARKS = (0, 80, 230), (220, 0, 0)  # the first run colour; the marked percentiles


def saved(desk, title, path):
    desk.file_dialog(title, path)
    desk.until(lambda: os.path.exists(path), f"{path} was not written")
    time.sleep(0.3)


def main():
    torv, batch, artifacts = (os.path.abspath(a) for a in sys.argv[1:4])
    os.makedirs(artifacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="torv-e2e-study-")
    try:
        with Desktop() as desk:
            app = desk.start([torv], cwd=work)
            start = desk.window(START_CAPTION)
            time.sleep(0.5)
            run("xdotool", "windowactivate", "--sync", start, env=desk.env, check=False)
            keys(desk, "Down", "Down", "Return")      # E
            keys(desk, "Return")                      # the first class
            keys(desk, "Tab", "Return")               # the first preset
            keys(desk, "Tab", "Return")               # START
            desk.active(desk.window(CALC_CAPTION))
            keys(desk, "ctrl+y")
            study = desk.window("^Study: a series of runs$")
            desk.active(study)
            # The path angle, sixth from the top; a sweep; its range; added.
            keys(desk, "alt+i", "Home", *["Down"] * 5, "Tab", "Tab")
            run("xdotool", "type", "--delay", "40", "10:80:15", env=desk.env)
            keys(desk, "Return", "alt+u")
            time.sleep(3)
            desk.shot(study, f"{artifacts}/sweep.png")
            keys(desk, "alt+p")
            saved(desk, "^Save picture$", os.path.join(work, "sweep.png"))
            raw = desk.region(os.path.join(work, "sweep.png"), 0, 0, 640, 400)
            assert pixels_of(raw, CURVE) > 200, "the sweep's picture has no curve"

            desk.active(study)
            keys(desk, "alt+m", "alt+i", "Home", *["Down"] * 5, "Tab", "Down", "Tab")
            run("xdotool", "type", "--delay", "40", "45:3", env=desk.env)
            keys(desk, "Return", "alt+r", "ctrl+a")
            run("xdotool", "type", "--delay", "40", "300", env=desk.env)
            keys(desk, "alt+u")
            time.sleep(8)
            desk.shot(study, f"{artifacts}/study.png")
            keys(desk, "alt+p")
            saved(desk, "^Save picture$", os.path.join(work, "study.png"))
            raw = desk.region(os.path.join(work, "study.png"), 0, 0, 640, 400)
            assert pixels_of(raw, (0xC0, 0xC0, 0xC0)) > 2000, "the study's picture has no histogram"
            assert pixels_of(raw, MARKS) > 100, "the study's picture has no percentiles"
            desk.active(study)
            keys(desk, "alt+d", "Down")
            keys(desk, "alt+p")
            saved(desk, "^Save picture$", os.path.join(work, "distribution.png"))
            raw = desk.region(os.path.join(work, "distribution.png"), 0, 0, 640, 400)
            assert pixels_of(raw, CURVE) > 400, "the distribution has no curve"
            assert pixels_of(raw, MARKS) > 100, "the distribution has no percentiles"
            desk.active(study)
            keys(desk, "alt+t")
            saved(desk, "^Save table$", os.path.join(work, "study.csv"))
            lines = subprocess.run([batch, "--preset", "1", "--vary", "Q0=normal:45:3", "--runs", "300",
                                    "--seed", "1"], capture_output=True, text=True, check=True).stdout
            assert open(os.path.join(work, "study.csv")).read() == lines, "the table is not torv-batch's"
            desk.active(study)
            keys(desk, "alt+j")
            saved(desk, "^Save JSON lines$", os.path.join(work, "study.jsonl"))
            json = subprocess.run([batch, "--preset", "1", "--vary", "Q0=normal:45:3", "--runs", "300",
                                   "--seed", "1", "--format", "jsonl"], capture_output=True, text=True,
                                  check=True).stdout
            assert open(os.path.join(work, "study.jsonl")).read() == json, "the JSON lines are not torv-batch's"

            # The study saved with the form's inputs runs in torv-batch to the
            # same lines, and opened again (Ctrl+O) it is the window's study.
            desk.active(study)
            keys(desk, "alt+y")
            saved(desk, "^Save scenario$", os.path.join(work, "study.toml"))
            again = subprocess.run([batch, "--scenario", os.path.join(work, "study.toml")],
                                   capture_output=True, text=True, check=True).stdout
            assert again == lines, "the saved study does not run to the table's lines"
            desk.active(study)
            keys(desk, "alt+m", "alt+l")
            desk.active(desk.window(CALC_CAPTION))
            keys(desk, "ctrl+o")
            desk.file_dialog("^Open scenario$", os.path.join(work, "study.toml"))
            study = desk.window("^Study: a series of runs$")
            desk.active(study)
            keys(desk, "alt+u")
            time.sleep(8)
            keys(desk, "alt+t")
            saved(desk, "^Save table$", os.path.join(work, "opened.csv"))
            assert open(os.path.join(work, "opened.csv")).read() == lines, "the opened study runs otherwise"
            assert app.poll() is None, "the program ended unexpectedly"
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
