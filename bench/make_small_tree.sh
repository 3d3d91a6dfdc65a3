#!/usr/bin/env bash
# Makes TREE once: FILES files of a few bytes in folders of 1,000, for the
# dialogs' stall benchmarks. Written under TREE.part and renamed when whole,
# so a stopped run never leaves a short tree that a later run would take.
#   bench/make_small_tree.sh TREE FILES
set -euo pipefail
tree="$1"
files="$2"
[[ -d "${tree}" ]] && exit 0
rm -rf "${tree}.part"
python3 - "${tree}" "${files}" <<'PY'
import os, sys
tree, files = sys.argv[1], int(sys.argv[2])
for i in range(files):
    folder = f"{tree}.part/d{i // 1000:03}"
    if i % 1000 == 0:
        os.makedirs(folder)
    with open(f"{folder}/f{i % 1000:03}.txt", "w") as out:
        out.write(f"file {i}\n")
os.rename(f"{tree}.part", tree)
PY
