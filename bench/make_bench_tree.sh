#!/usr/bin/env bash
# Makes bench/data/tree (git-ignored): about 300 MB of this machine's real
# files from /usr, with their folders, as a stand-in for a client build. The
# import and file-list benchmarks both work on it. The choice is
# deterministic: candidates are taken in byte order of their paths, every
# k-th one, k chosen so the picks add up to about the wanted size. Names the
# client could not hold (\ : * ? " < > | and control bytes) and names that
# differ from an earlier pick only in case are passed over, so that every
# file can be imported; files above 32 MB are passed over so that a single
# outsized file does not turn the run into a measure of one worker.
#   bench/make_bench_tree.sh [SIZE_BYTES]
set -euo pipefail
cd "$(dirname "$0")"

size="${1:-300000000}"
max_file=$((32 * 1024 * 1024))
tree=data/tree
stamp=data/tree.size
export LC_ALL=C

if [[ -d "${tree}" && -f "${stamp}" && "$(cat "${stamp}")" == "${size}" ]]; then
    echo "${tree} is there ($(du -sb "${tree}" | cut -f1) bytes)"
    exit 0
fi
rm -rf "${tree}" "${stamp}"
mkdir -p "${tree}"

# Candidates: "size<TAB>path" below /usr, paths relative to /usr.
candidates="$(mktemp)"
picks="$(mktemp)"
trap 'rm -f "${candidates}" "${picks}"' EXIT
# Names with a control byte are passed over by find itself, so a path never
# holds a tab or a line end and the list can be handled line by line.
(cd /usr && find bin include lib share -regextype posix-extended \
    -type f -size -$((max_file + 1))c ! -regex '.*[[:cntrl:]\:*?"<>|].*' \
    -printf '%s\t%p\n' 2>/dev/null || true) | sort -t$'\t' -k2 >"${candidates}"

awk -F'\t' -v want="${size}" '
    { sizes[NR] = $1; paths[NR] = $2; total += $1 }
    END {
        step = int(total / want); if (step < 1) step = 1
        got = 0
        # Further passes start one file later, should the first fall short.
        for (offset = 1; offset <= step && got < want; ++offset) {
            for (i = offset; i <= NR && got < want; i += step) {
                key = tolower(paths[i])
                if (key in seen) continue
                seen[key] = 1
                # A folder of a pick must not differ in case from another either.
                n = split(paths[i], parts, "/"); prefix = ""; clash = 0
                for (j = 1; j < n; ++j) {
                    prefix = prefix (j > 1 ? "/" : "") parts[j]
                    lower = tolower(prefix)
                    if ((lower in folder) && folder[lower] != prefix) { clash = 1; break }
                }
                if (clash) continue
                prefix = ""
                for (j = 1; j < n; ++j) {
                    prefix = prefix (j > 1 ? "/" : "") parts[j]
                    folder[tolower(prefix)] = prefix
                }
                print paths[i]
                got += sizes[i]
            }
        }
    }' "${candidates}" >"${picks}"

(cd /usr && xargs -d '\n' cp --parents -t "${OLDPWD}/${tree}") <"${picks}"
echo "${size}" >"${stamp}"
echo "${tree}: $(find "${tree}" -type f | wc -l) files, $(du -sb "${tree}" | cut -f1) bytes"
