#!/usr/bin/env bash
# Four 400 MB files made from real binaries (once, in bench/data/big), one
# per worker: the peak resident memory of a fresh import and of an
# unchanged re-import, which may be at most 64 MB plus four work areas
# (counted as 1 MB each, buffers included), whatever the files' size. With
# BASELINE_CLI (another build's kelvarin-cli) the same figures for it, in
# turn, beside them. Exits 1 when a bound is missed.
#   [BASELINE_CLI=path] bench/big_files_bench.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"

tree=bench/data/big
file_bytes=400000000
limit_kb=$(((64 + 4) * 1024))
if [[ ! -f "${tree}/made" ]]; then
    mkdir -p "${tree}"
    python3 - "${tree}" "${file_bytes}" <<'PY'
import os, random, sys
folder, size = sys.argv[1], int(sys.argv[2])
binaries = []
for top in ("/usr/lib/x86_64-linux-gnu", "/usr/bin", "/usr/lib"):
    for base, _, names in os.walk(top):
        for name in names:
            path = os.path.join(base, name)
            if os.path.isfile(path) and not os.path.islink(path):
                binaries.append(path)
binaries.sort()
for k in range(4):
    rng = random.Random(k)
    order = binaries[:]
    rng.shuffle(order)
    written = 0
    with open(f"{folder}/archive{k}.pak", "wb") as out:
        while written < size:
            for path in order:
                try:
                    with open(path, "rb") as f:
                        data = f.read(size - written)
                except OSError:
                    continue
                out.write(data)
                written += len(data)
                if written >= size:
                    break
PY
    touch "${tree}/made"
fi
work="$(mktemp -d "$(pwd)/bench/data/big-roots.XXXXXX")"
trap 'rm -rf "${work}"' EXIT
mkdir "${work}/source"
ln "${tree}"/archive*.pak "${work}/source/"

# peak CLI ROOT: "peak-KB seconds" of one import.
peak() {
    /usr/bin/time -f '%M %e' -o "${work}/time" "$1" import "${work}/source" --root "$2" \
        --quiet >/dev/null
    cat "${work}/time"
}

status=0
report() {  # report NAME CLI
    local root="${work}/root-$1" fresh unchanged
    mkdir "${root}"
    read -r fresh_kb fresh_s < <(peak "$2" "${root}")
    read -r same_kb same_s < <(peak "$2" "${root}")
    printf '%-9s fresh import: %8d KB peak, %6.1f s; unchanged re-import: %8d KB peak, %6.1f s\n' \
        "$1" "${fresh_kb}" "${fresh_s}" "${same_kb}" "${same_s}"
    if [[ "$1" == "this" ]] && ((fresh_kb > limit_kb || same_kb > limit_kb)); then
        echo "MISSED: peak over ${limit_kb} KB"
        status=1
    fi
}
echo "four files of ${file_bytes} bytes, four workers; limit ${limit_kb} KB"
report this "${cli}"
[[ -z "${BASELINE_CLI:-}" ]] || report baseline "${BASELINE_CLI}"
exit "${status}"
