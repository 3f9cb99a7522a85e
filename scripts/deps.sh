#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the program and the
# tests need and this machine lacks. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang-format
  qt6-base-dev libqt6gui6 libjpeg62-turbo
  qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev libtomlplusplus-dev
  xvfb xauth openbox xdotool x11-utils imagemagick
  fonts-dejavu-core fonts-dejavu-extra locales python3
  pybind11-dev python3-dev python3-numpy python3-pytest python3-pandas python3-matplotlib
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# A comma-separator locale for the tests of the number fields.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
