#!/usr/bin/env bash
# Speed and memory of `kelvarin-cli import` on bench/data/tree (about 300 MB
# of real files, made by bench/make_bench_tree.sh), all figures from one run:
#   1. every file packed one after another with `kelvarin-cli pack`;
#   2. a fresh import into an empty root (four workers): at most 0.6x of 1;
#   3. md5sum over the same files in four parallel processes;
#   4. an unchanged re-import: at most 2x of 3;
#   5. the peak memory of both imports: below 4x the largest file + 64 MB.
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
mkdir -p "${work}/packed" "${work}/root"
trap 'rm -rf "${work}"' EXIT

(cd "${tree}" && find . -type f -printf '%P\0' | sort -z) >"${work}/files"
count="$(tr -cd '\0' <"${work}/files" | wc -c)"
bytes="$(find "${tree}" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')"
largest="$(find "${tree}" -type f -printf '%s\n' | sort -n | tail -n 1)"
find "${tree}" -type f -print0 | xargs -0 cat >/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# 1. One process per file, one after another.
start="$(now)"
(cd "${tree}" && while IFS= read -r -d '' file; do
    "${cli}" pack "${file}" "${work}/packed/${file}.aup"
done) <"${work}/files"
pack_seconds="$(elapsed "${start}" "$(now)")"
rm -rf "${work}/packed"

# 2. Fresh import; GNU time gives the wall time and the peak resident size.
/usr/bin/time -f '%e %M' -o "${work}/fresh.time" \
    "${cli}" import "${tree}" --root "${work}/root" >"${work}/fresh.log"
read -r fresh_seconds fresh_kb <"${work}/fresh.time"

# 3. md5sum in four parallel processes, 64 files per process.
start="$(now)"
(cd "${tree}" && xargs -0 -P4 -n 64 md5sum) <"${work}/files" >/dev/null
md5_seconds="$(elapsed "${start}" "$(now)")"

# 4. Unchanged re-import.
/usr/bin/time -f '%e %M' -o "${work}/again.time" \
    "${cli}" import "${tree}" --root "${work}/root" >"${work}/again.log"
read -r again_seconds again_kb <"${work}/again.time"

echo "tree: ${count} files, ${bytes} bytes, largest ${largest} bytes"
echo "fresh import:      $(tail -n 1 "${work}/fresh.log")"
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
printf '%-44s %10s s\n' "pack, one file after another" "${pack_seconds}"
printf '%-44s %10s s\n' "md5sum, four processes" "${md5_seconds}"
check "fresh import" "${fresh_seconds}" \
    "$(awk -v p="${pack_seconds}" 'BEGIN { printf "%.2f", 0.6 * p }')" s
check "unchanged re-import" "${again_seconds}" \
    "$(awk -v m="${md5_seconds}" 'BEGIN { printf "%.2f", 2 * m }')" s
memory_limit_kb=$(((4 * largest + 64 * 1024 * 1024) / 1024))
check "peak memory, fresh import" "${fresh_kb}" "${memory_limit_kb}" KB
check "peak memory, unchanged re-import" "${again_kb}" "${memory_limit_kb}" KB
if ! grep -q '^added 0, updated 0, unchanged ' "${work}/again.log"; then
    echo "the re-import changed something: $(tail -n 1 "${work}/again.log")"
    status=1
fi
exit "${status}"
