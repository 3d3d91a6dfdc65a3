#!/usr/bin/env bash
# Speed and memory of `kelvarin-cli import` on bench/data/tree (about 300 MB
# of real files, made by bench/make_bench_tree.sh), all figures from one run:
#   1. a fresh import into an empty root with --workers 1;
#   2. the same with --workers 2: at most 0.55x of 1 on two cores or more;
#   3. the same with the default four workers, as the dialog runs;
#   4. md5sum over the same files in four parallel processes;
#   5. an unchanged re-import (four workers): at most 1.0x of 4;
#   6. the peak memory of the imports: below 64 MB + four 1 MB work areas,
#      whatever the files' size.
# The tree is read once beforehand so that every step finds it in the page
# cache. Exits 1 when a bound is missed.
#   bench/import_bench.sh [BUILD_DIR]   (default build/release; kelvarin-cli
#                                        is built there when missing)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"

bench/make_bench_tree.sh
tree="$(pwd)/bench/data/tree"
work="$(pwd)/bench/data/import-bench"
rm -rf "${work}"
mkdir -p "${work}"
trap 'rm -rf "${work}"' EXIT

(cd "${tree}" && find . -type f -printf '%P\0' | sort -z) >"${work}/files"
count="$(tr -cd '\0' <"${work}/files" | wc -c)"
bytes="$(find "${tree}" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')"
largest="$(find "${tree}" -type f -printf '%s\n' | sort -n | tail -n 1)"
find "${tree}" -type f -print0 | xargs -0 cat >/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# fresh NAME WORKERS: a fresh import into a new root; "seconds peak-KB" in NAME.time.
fresh() {
    mkdir "${work}/root-$1"
    /usr/bin/time -f '%e %M' -o "${work}/$1.time" \
        "${cli}" import "${tree}" --root "${work}/root-$1" --workers "$2" >"${work}/$1.log"
}
fresh one 1
fresh two 2
fresh four 4
read -r one_seconds one_kb <"${work}/one.time"
read -r two_seconds two_kb <"${work}/two.time"
read -r fresh_seconds fresh_kb <"${work}/four.time"

# 4. md5sum in four parallel processes, 64 files per process.
start="$(now)"
(cd "${tree}" && xargs -0 -P4 -n 64 md5sum) <"${work}/files" >/dev/null
md5_seconds="$(elapsed "${start}" "$(now)")"

# 5. Unchanged re-import.
/usr/bin/time -f '%e %M' -o "${work}/again.time" \
    "${cli}" import "${tree}" --root "${work}/root-four" >"${work}/again.log"
read -r again_seconds again_kb <"${work}/again.time"

echo "tree: ${count} files, ${bytes} bytes, largest ${largest} bytes"
echo "fresh import:      $(tail -n 1 "${work}/four.log")"
echo "unchanged import:  $(tail -n 1 "${work}/again.log")"

status=0
# check NAME VALUE LIMIT UNIT: prints the figure and whether it is within its limit.
check() {
    local verdict=ok
    if ! awk -v v="$2" -v l="$3" 'BEGIN { exit !(v <= l) }'; then
        verdict=MISSED
        status=1
    fi
    printf '%-44s %10s %s (limit %s) %s\n' "$1" "$2" "$4" "$3" "${verdict}"
}
printf '%-44s %10s s\n' "fresh import, --workers 1" "${one_seconds}"
printf '%-44s %10s s\n' "fresh import, four workers" "${fresh_seconds}"
printf '%-44s %10s s\n' "md5sum, four processes" "${md5_seconds}"
# The deal is round-robin by file, so the larger of two shares bounds what
# two workers can gain, whatever the cores.
mkdir "${work}/empty"
share="$("${cli}" import "${tree}" --root "${work}/empty" --dry-run --json | python3 -c '
import json, sys
sizes = [f["bytes"] for f in json.load(sys.stdin)["files"]]
print("%.3f" % (max(sum(sizes[0::2]), sum(sizes[1::2])) / sum(sizes)))')"
printf '%-44s %10s (the bound of --workers 2 / --workers 1)\n' "larger share of two workers" "${share}"
if (($(nproc) >= 2)); then
    check "fresh import, --workers 2" "${two_seconds}" \
        "$(awk -v p="${one_seconds}" 'BEGIN { printf "%.2f", 0.55 * p }')" s
fi
check "unchanged re-import" "${again_seconds}" "${md5_seconds}" s
memory_limit_kb=$(((64 + 4) * 1024))
for name in one two fresh; do
    kb="${name}_kb"
    check "peak memory, fresh import (${name})" "${!kb}" "${memory_limit_kb}" KB
done
check "peak memory, unchanged re-import" "${again_kb}" "${memory_limit_kb}" KB
if ! grep -q '^added 0, updated 0, unchanged ' "${work}/again.log"; then
    echo "the re-import changed something: $(tail -n 1 "${work}/again.log")"
    status=1
fi
exit "${status}"
