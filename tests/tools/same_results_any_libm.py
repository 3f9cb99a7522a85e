#!/usr/bin/env python3
"""The sample files of all presets must not depend on which variant of the
maths library the processor selects: glibc picks FMA code paths for pow, sin
and cos on processors that have FMA, SSE2 paths on the others. The presets are
run once as the machine chooses and once with FMA and AVX2 masked off, and the
files compared byte for byte.

Usage: same_results_any_libm.py WRITE_PRESET_FILES_BINARY
"""
import filecmp
import os
import subprocess
import sys
import tempfile


def run(binary, out, extra_env):
    env = dict(os.environ, **extra_env)
    subprocess.run([binary, out], cwd=out, env=env, check=True)
    return sorted(os.listdir(out))


def main():
    binary = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
        names = run(binary, a, {})
        other = run(binary, b, {"GLIBC_TUNABLES": "glibc.cpu.hwcaps=-AVX2,-FMA"})
        assert names == other, "different sets of files"
        assert len(names) == 34, f"{len(names)} sample files instead of 34"
        differing = [n for n in names if not filecmp.cmp(os.path.join(a, n), os.path.join(b, n), shallow=False)]
        assert not differing, f"results depend on the maths library variant: {differing}"
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
