#!/usr/bin/env bash
# 50,000 small files (50-400 bytes, 100 folders, made once in
# bench/data/small), all figures from one run:
#   1. a fresh import into a new folder, then `sync`: the cost of stored
#      files that are on disk; with BASELINE_CLI (another build's
#      kelvarin-cli) the same for it, in turn, and the ratio (the flush to
#      disk may cost at most 10%);
#   2. an unchanged re-import with and without --json, in turn, three times
#      each: --json may add at most 10%.
# Each import goes into a folder never used before, since ext4 is slow to
# create files right after many were deleted. Exits 1 when a bound is missed.
#   [BASELINE_CLI=path] bench/small_files_bench.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"

tree=bench/data/small
if [[ ! -d "${tree}" ]]; then
    python3 - "${tree}" <<'PY'
import os, random, sys
rng = random.Random(1)
for d in range(100):
    os.makedirs(f"{sys.argv[1]}/d{d:03}", exist_ok=True)
    for f in range(500):
        with open(f"{sys.argv[1]}/d{d:03}/f{f:03}.txt", "wb") as out:
            out.write(bytes(rng.getrandbits(8) for _ in range(rng.randint(50, 400))))
PY
fi
work="$(mktemp -d "$(pwd)/bench/data/small-roots.XXXXXX")"
trap 'rm -rf "${work}"' EXIT
find "${tree}" -type f -print0 | xargs -0 cat >/dev/null

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(((${#} + 1) / 2))p"; }
# seconds COMMAND...: wall seconds of the command.
seconds() {
    local start
    start="$(now)"
    "$@" >/dev/null
    awk -v a="${start}" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
}
fresh() {  # fresh CLI: a fresh import made durable
    local root
    root="$(mktemp -d "${work}/r.XXXXXX")"
    sync
    seconds sh -c "'$1' import '${tree}' --root '${root}' && sync"
}

status=0
new=() old=()
for _ in 1 2 3; do
    new+=("$(fresh "${cli}")")
    [[ -z "${BASELINE_CLI:-}" ]] || old+=("$(fresh "${BASELINE_CLI}")")
done
printf 'fresh import + sync:         %6.2f s (median of 3)\n' "$(median "${new[@]}")"
if [[ -n "${BASELINE_CLI:-}" ]]; then
    ratio="$(awk -v a="$(median "${new[@]}")" -v b="$(median "${old[@]}")" 'BEGIN { printf "%.3f", a / b }')"
    printf 'baseline, the same:          %6.2f s; ratio %s (limit 1.10)\n' "$(median "${old[@]}")" "${ratio}"
    awk -v r="${ratio}" 'BEGIN { exit !(r > 1.10) }' && { echo "MISSED: flushing costs over 10%"; status=1; }
fi

root="$(mktemp -d "${work}/r.XXXXXX")"
"${cli}" import "${tree}" --root "${root}" >/dev/null
plain=() json=()
for _ in 1 2 3; do
    plain+=("$(seconds "${cli}" import "${tree}" --root "${root}")")
    json+=("$(seconds "${cli}" import "${tree}" --root "${root}" --json)")
done
ratio="$(awk -v a="$(median "${json[@]}")" -v b="$(median "${plain[@]}")" 'BEGIN { printf "%.3f", a / b }')"
printf 'unchanged re-import:         %6.2f s; with --json %.2f s; ratio %s (limit 1.10)\n' \
    "$(median "${plain[@]}")" "$(median "${json[@]}")" "${ratio}"
awk -v r="${ratio}" 'BEGIN { exit !(r > 1.10) }' && { echo "MISSED: --json costs over 10%"; status=1; }
exit "${status}"
