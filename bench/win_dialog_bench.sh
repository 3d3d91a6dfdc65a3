#!/usr/bin/env bash
# The native dialog through an import of 50,000 small files under Wine
# (made once in bench/data/win-dialog-FILES: folders of 1,000 files of a
# few bytes): the longest stall of the window (bench/win/win_dialog_bench.cpp).
# Exits 1 when a stall exceeds 300 ms.
#   bench/win_dialog_bench.sh [BUILD_DIR] [FILES]   (default build/windows, 50000)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/windows}"
files="${2:-50000}"
cmake --build "${build}" --target win_dialog_bench >/dev/null
bench="$(realpath "${build}/bench/win/win_dialog_bench.exe")"

tree="bench/data/win-dialog-${files}"
bench/make_small_tree.sh "${tree}" "${files}"
repo="$(pwd)"
work="$(mktemp -d "$(pwd)/bench/data/win-dialog-work.XXXXXX")"
trap 'rm -rf "${work}"' EXIT
mkdir -p "${work}/root"
tree="$(realpath "${tree}")"
cd "${work}"
# shellcheck disable=SC2016  # expanded by the inner shell
"${repo}/scripts/wine-session" sh -c 'wine "$0" "$(winepath -w "$1")" "$(winepath -w "$2")"' \
    "${bench}" "${tree}" "${work}/root"
