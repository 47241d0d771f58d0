#!/usr/bin/env bash
# Saves a picture of every window of the program into OUTDIR (default:
# screenshots/ in the current folder), drawn on a virtual X display by the
# real forms, with a private home so nothing of the user's is read or
# written. Needs xvfb-run (package xvfb) and a build (BUILD_DIR, default
# build/ in the repository).
#
#   tools/screenshots.sh [OUTDIR]
set -euo pipefail

repo_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$repo_dir/build}
tool=$BUILD_DIR/bin/veilcraft_screenshots
out=$(realpath -m "${1:-screenshots}")

[[ -x $tool ]] || { echo "error: $tool not found; build it first (cmake --build $BUILD_DIR)" >&2; exit 2; }
command -v xvfb-run > /dev/null || { echo "error: xvfb-run not found (package xvfb)" >&2; exit 2; }

home=$(mktemp -d /tmp/veilcraft-screens.XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/tmp"
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share TMPDIR=$home/tmp \
    VEILCRAFT_REGISTRY=$home/registry QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$out"
