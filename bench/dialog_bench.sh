#!/usr/bin/env bash
# The dialog through a 500,000-file import and the file list after it (made
# once in bench/data/dialog: 500 folders of 1,000 files of a few bytes), on
# Qt's offscreen platform: the longest stall of the event loop during each
# run and the log's memory per line (bench/app/dialog_bench.cpp). Exits 1
# when a stall exceeds 300 ms or the log holds more than 200 bytes a line.
#   bench/dialog_bench.sh [BUILD_DIR] [FILES]   (default build/release, 500000)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
files="${2:-500000}"
cmake --build "${build}" --target dialog_bench >/dev/null
bench="$(realpath "${build}/bench/app/dialog_bench")"

tree="bench/data/dialog-${files}"
bench/make_small_tree.sh "${tree}" "${files}"
work="$(mktemp -d "$(pwd)/bench/data/dialog-work.XXXXXX")"
trap 'rm -rf "${work}"' EXIT
mkdir -p "${work}/root" "${work}/home"
tree="$(realpath "${tree}")"
cd "${work}"
HOME="${work}/home" XDG_CONFIG_HOME="${work}/home" XDG_CACHE_HOME="${work}/home" \
    QT_QPA_PLATFORM=offscreen "${bench}" "${tree}" "${work}/root"
