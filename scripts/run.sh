#!/usr/bin/env bash
# Installs what is missing, builds the two programs (not the tests or the
# benchmarks: scripts/test.sh builds those), and launches the program in the
# working directory, where its runs write Torv_500.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target torv torv-batch -j "$(nproc)"
exec "$root/build/app/torv" "$@"
