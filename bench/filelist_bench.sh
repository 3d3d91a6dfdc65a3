#!/usr/bin/env bash
# Generate File List on a real tree. The ~300 MB tree of make_bench_tree.sh
# is imported with `kelvarin-cli import` into bench/data/filelist-root (once;
# kept for later runs), then `kelvarin-cli filelist` lists it. The list needs
# the MD5 of every stored file and of every decoded content, so its floor is
# MD5 itself: the run is measured against md5sum over all stored files plus
# md5sum over the original source files, each with two processes (xargs -P2).
# Target: the list takes at most twice that, and keeps both cores busy
# (user+sys well above real); `kelvarin-cli verify` of the same tree against
# that list takes at most 1.3 times the list. Every file is read once beforehand so that all
# runs find the page cache warm. Exits non-zero when a target is missed.
#   bench/filelist_bench.sh [BUILD_DIR]   (default build/release; kelvarin-cli
#                                          is built there when missing)
set -euo pipefail
source "$(dirname "$0")/bench_common.sh"
TIMEFORMAT='%R %U %S'

bench/make_bench_tree.sh
tree=bench/data/tree
root=bench/data/filelist-root
# The imported root is kept for the tree it was made from.
if ! cmp -s bench/data/tree.size "${root}.made-from"; then
    rm -rf "${root}" "${root}.made-from"
    mkdir -p "${root}"
    echo "importing ${tree} into ${root} ..."
    "${cli}" import "${tree}" --root "${root}" >/dev/null
    cp bench/data/tree.size "${root}.made-from"
fi
rm -f "${root}/update_filelist.xml" "${root}/update_filelist.xml.bin"

files=$(find "${root}" -type f | wc -l)
stored_bytes=$(find "${root}" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
source_bytes=$(find "${tree}" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
echo "root: ${files} stored files, ${stored_bytes} bytes; sources: ${source_bytes} bytes"

# md5sum over a tree with two processes; each call gets a batch of files.
md5_tree() {
    find "$1" -type f -print0 | xargs -0 -P2 -n 64 md5sum >/dev/null
}
# Prints "real user sys" of the command.
measure() {
    { time "$@" >/dev/null 2>&1; } 2>&1
}

md5_tree "${tree}"
md5_tree "${root}"

read -r stored_real stored_user stored_sys < <(measure md5_tree "${root}")
read -r source_real source_user source_sys < <(measure md5_tree "${tree}")
rm -f "${root}/update_filelist.xml" "${root}/update_filelist.xml.bin"
read -r list_real list_user list_sys < <(measure "${cli}" filelist --root "${root}")
peak_kb=$(/usr/bin/time -f '%M' "${cli}" filelist --root "${root}" 2>&1 >/dev/null | tail -n 1)
read -r verify_real verify_user verify_sys < <(measure "${cli}" verify --root "${root}")
verify_ratio=$(echo "${verify_real} / ${list_real}" | bc -l)
largest=$(find "${root}" -type f -printf '%s\n' | sort -n | tail -n 1)

floor=$(echo "${stored_real} + ${source_real}" | bc -l)
ratio=$(echo "${list_real} / ${floor}" | bc -l)
cores=$(echo "(${list_user} + ${list_sys}) / ${list_real}" | bc -l)
limit_kb=$(((64 * 1024 * 1024 + 2 * largest) / 1024))

printf 'md5sum -P2 stored files: %6.2f s real (%.2f user, %.2f sys)\n' \
    "${stored_real}" "${stored_user}" "${stored_sys}"
printf 'md5sum -P2 source files: %6.2f s real (%.2f user, %.2f sys)\n' \
    "${source_real}" "${source_user}" "${source_sys}"
printf 'kelvarin-cli filelist:   %6.2f s real (%.2f user, %.2f sys)\n' \
    "${list_real}" "${list_user}" "${list_sys}"
printf 'kelvarin-cli verify:     %6.2f s real (%.2f user, %.2f sys)\n' \
    "${verify_real}" "${verify_user}" "${verify_sys}"
printf 'list / md5sum floor: %.2f (target <= 2); cores busy: %.2f of 2\n' "${ratio}" "${cores}"
printf 'verify / list: %.2f (target <= 1.3)\n' "${verify_ratio}"
printf 'peak memory: %d KB (bound 64 MB + 2 x largest file = %d KB)\n' "${peak_kb}" "${limit_kb}"

status=0
if (($(echo "${ratio} > 2" | bc -l))); then
    echo "MISSED: the list takes more than twice the md5sum floor"
    status=1
fi
if (($(echo "${cores} < 1.5" | bc -l))); then
    echo "MISSED: the list does not keep both cores busy"
    status=1
fi
if (($(echo "${verify_ratio} > 1.3" | bc -l))); then
    echo "MISSED: verify takes more than 1.3 times the list"
    status=1
fi
if ((peak_kb > limit_kb)); then
    echo "MISSED: peak memory above the bound"
    status=1
fi
exit "${status}"
