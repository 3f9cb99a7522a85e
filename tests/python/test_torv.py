"""The Python module against torv-batch, its errors, and the host's floating-point environment."""
import csv
import ctypes
import io
import math
import os
import subprocess
import threading
import time

import numpy as np
import pytest

import torv

BATCH = os.environ["TORV_BATCH"]
libm = ctypes.CDLL("libm.so.6")


def batch(*args, cwd=None):
    return subprocess.run([BATCH, *args], check=True, capture_output=True, text=True, cwd=cwd).stdout


def fenv():
    env = ctypes.create_string_buffer(64)
    assert libm.fegetenv(env) == 0
    return env.raw


def agree(texts, values, exact):
    """Batch cells against ours: exact numbers, or ours within half a unit of its 15th digit."""
    def one(t, v):
        if v is None or v != v:
            return t == ""
        last = 0 if exact or v == 0 else 0.5000001 * 10.0 ** (math.floor(math.log10(abs(v))) - 14)
        return abs(float(t) - v) <= last
    return [one(t, v) for t, v in zip(texts, values)]


def test_preset_1_is_the_batch_programs_run_to_the_last_digit(tmp_path):
    line = list(csv.DictReader(io.StringIO(batch("--preset", "1", "--out", str(tmp_path / "batch")))))[0]
    r = torv.run(torv.Scenario.preset(1))
    assert all(agree([line[k] for k in r.summary], r.summary.values(), False))
    expected = (tmp_path / "batch" / "Torv_500.txt").read_bytes()
    assert open(r.write_sample_file(tmp_path / "py"), "rb").read() == expected
    # The file's columns after j, each from its sample array in the file's unit.
    names = ["time", "range", "altitude", "speed", "dynamic pressure", "path angle", "air density"]
    rows = [row.split() for row in expected.decode().splitlines()[3:]]
    assert len(rows) == len(r.time) == 500
    for c, name in enumerate(names, start=1):
        unit, divisor = r.file_units[name]
        decimals = len(rows[0][c].split(".")[1])
        ours = [f"{v / divisor:.{decimals}f}" for v in r.samples[name]]
        assert ours == [row[c] for row in rows], (name, unit)


@pytest.mark.parametrize(
    "call, args, keys",
    [
        (lambda: (torv.sweep(torv.Scenario.preset(1), threads=2, Q0=(30, 60, 3), Vwind=(-10, 10, 3)), {}),
         ["--preset", "1", "--sweep", "Q0=30:60:3", "--sweep", "Vwind=-10:10:3"], 2),
        (lambda: torv.study(torv.Scenario.preset(16), runs=12, seed=7, threads=3, V0=("normal", 25.45, 1.5),
                            Cx=("uniform", 0.027, 0.033)),
         ["--preset", "16", "--vary", "V0=normal:25.45:1.5", "--vary", "Cx=uniform:0.027:0.033",
          "--runs", "12", "--seed", "7"], 3),
    ],
)
def test_sweeps_and_studies_give_the_batch_programs_lines(call, args, keys):
    table, statistics = call()
    header, *theirs = list(csv.reader(io.StringIO(batch(*args))))
    assert list(table.dtype.names) == header
    assert len(theirs) == len(table) + (7 if statistics else 0)
    for line, row in zip(theirs, table.tolist()):
        assert all(agree(line[:keys], row[:keys], True) + agree(line[keys:-1], row[keys:-1], False))
        assert line[-1] == (row[-1] or "")
    for line in theirs[len(table):]:
        figures = [statistics[name][line[0]] for name in header[1:-1]]
        assert all(agree(line[1:-1], figures, False)), line[0]


@pytest.mark.parametrize(
    "call, args",
    [
        (lambda s: torv.solve(s, "range_m", 800, Q0=(5, 85)), ["--solve", "Q0=5:85", "--target", "range_m=800"]),
        (lambda s: [torv.maximize(s, "range_m", Q0=(5, 85))], ["--maximize", "range_m", "--over", "Q0=5:85"]),
        (lambda s: torv.sensitivity(s, inputs=["V0", "Q0"]).tolist(), ["--sensitivity", "--inputs", "V0,Q0"]),
    ],
)
def test_searches_and_sensitivity_give_the_batch_programs_lines(call, args):
    ours = call(torv.Scenario.preset(1))
    header, *theirs = list(csv.reader(io.StringIO(batch("--preset", "1", *args))))
    assert len(theirs) == len(ours) > 0
    for line, row in zip(theirs, ours):
        row = [row[k] for k in header] if isinstance(row, dict) else list(row)
        assert [line[0], line[2 if "name" in header else 1]] == [row[0], row[2 if "name" in header else 1]]
        numbers = [k for k in range(len(header)) if header[k] not in ("name", "input", "output")]
        assert all(agree([line[k] for k in numbers], [row[k] for k in numbers], False)), line


def test_bad_inputs_raise_with_the_programs_message(tmp_path):
    p1 = torv.Scenario.preset(1)
    bad = tmp_path / "bad.toml"
    bad.write_text("format = 1\nclass = \"projectile\"\nWings = 2\n")
    cases = [
        (lambda: torv.run(p1, dt0=0), ValueError, "integration step must be a positive number"),
        (lambda: torv.run(p1, S0=0), ValueError, "division by zero"),
        (lambda: torv.run(p1, Schub=1), ValueError, "not offered for the class"),
        (lambda: torv.run(p1, V0=float("nan")), ValueError, "not a valid floating point value"),
        (lambda: torv.Scenario.preset(35), ValueError, "numbered 1 to 34"),
        (lambda: torv.Scenario.load(bad), ValueError, "unknown key 'Wings'"),
        (lambda: torv.Scenario.load(tmp_path / "none.toml"), FileNotFoundError, "none.toml"),
        (lambda: torv.run(p1).write_sample_file(bad), OSError, "bad.toml"),
    ]
    for call, error, message in cases:
        with pytest.raises(error, match=message):
            call()
    assert torv.run(p1).summary["samples"] == 500


def test_the_callers_floating_point_environment_survives_runs_and_faults():
    p1 = torv.Scenario.preset(1)
    reference = torv.run(p1).summary
    fe_inexact, fe_upward = 0x20, 0x800
    libm.feraiseexcept(fe_inexact)
    libm.fesetround(fe_upward)
    try:
        before = fenv()
        with pytest.raises(ValueError):
            torv.run(p1, S0=0)
        assert fenv() == before
        assert torv.run(p1).summary == reference  # the run's own environment
        assert fenv() == before
    finally:
        libm.fesetround(0)
        libm.feclearexcept(fe_inexact)


def test_runs_from_several_threads_go_side_by_side():
    p1 = torv.Scenario.preset(1)
    angles = [20, 35, 50, 65]

    def outcome(angle):
        r = torv.run(p1, Q0=angle, dt0=0.00005)
        return r.summary, {k: v.tobytes() for k, v in r.samples.items()}

    alone = [outcome(a) for a in angles]
    together = [None] * len(angles)
    start = threading.Barrier(len(angles))

    def one(k):
        start.wait()
        together[k] = outcome(angles[k])

    threads = [threading.Thread(target=one, args=(k,)) for k in range(len(angles))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()  # a run that waits for the GIL while it holds the engine never ends: CTest's timeout
    assert together == alone


def test_a_short_run_ends_while_a_long_one_goes_on():
    p1 = torv.Scenario.preset(1)
    long_done = threading.Event()
    long_run = threading.Thread(target=lambda: (torv.run(p1, dt0=0.000001), long_done.set()))
    long_run.start()
    time.sleep(0.2)  # the long run (over a second) is under way
    torv.run(p1)
    short_first = not long_done.is_set()
    long_run.join()
    assert short_first
