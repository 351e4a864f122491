#!/usr/bin/env bash
# Installs the Debian packages Pennaro needs that are not installed yet.
#   scripts/setup.sh run    what building and running the editor needs
#   scripts/setup.sh test   that, plus what the tests, benchmarks and fuzzer need
# Nothing is downloaded when everything is present, so a second run is quick.
set -euo pipefail

run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev libxkbcommon-dev libpng-dev
  fonts-noto-cjk fonts-wqy-microhei
)
test_packages=(
  xvfb xauth xdotool openbox wmctrl x11-utils
  xclip
  libbenchmark-dev clang libclang-rt-14-dev
  abiword libreoffice-writer-nogui
  poppler-utils
  g++-mingw-w64-x86-64-posix wine wine64
  imagemagick clang-format-14
  desktop-file-utils appstream dpkg-dev libglib2.0-bin shared-mime-info
)

mode=${1:-run}
wanted=("${run_packages[@]}")
[ "$mode" = test ] && wanted+=("${test_packages[@]}")

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
