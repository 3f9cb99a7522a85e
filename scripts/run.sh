#!/usr/bin/env bash
# Installs what is missing, builds, and launches the program.
set -euo pipefail
here="$(dirname "$0")"
bash "$here/deps.sh"
bash "$here/build.sh"
exec "$here/../build/app/torv"
