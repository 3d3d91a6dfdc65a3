#!/usr/bin/env bash
# Measures the stored-file codec: makes the benchmark inputs if they are
# missing, builds codec_bench, runs it (fast and literal codec in the same
# run, so that they meet the same machine load), times `gzip -d` on gzip'd
# copies of the same inputs, and prints one table.
#   bench/codec_bench.sh [codec_bench arguments...]
# BUILD_DIR picks the build folder (default build/release, the one that
# scripts/test builds with benchmarks). All figures are MB/s (10^6 bytes of
# content per second of CPU time, which a busy machine disturbs less than
# wall time); repeat a run whose figures look off.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${BUILD_DIR:-build/release}"
data="bench/data"
inputs=(binaries text random)
# Best of this many gzip -d runs: a single run is at the mercy of the load.
gzip_runs=3

bench/make_codec_inputs.sh >/dev/null
if [[ ! -f "${build}/build.ninja" ]]; then
    cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKELVARIN_BUILD_BENCHMARKS=ON >/dev/null
fi
cmake --build "${build}" --target codec_bench >/dev/null

json="$(mktemp)"
trap 'rm -f "${json}"' EXIT
"${build}/bench/codec/codec_bench" --data_dir="${data}" --benchmark_out="${json}" \
    --benchmark_out_format=json "$@" >&2

# name -> bytes_per_second; a median of repetitions wins over single runs.
declare -A rate
while read -r name value; do
    rate["${name}"]="${value}"
done < <(awk -F'"' '
    /"name":/ { name = $4 }
    /"bytes_per_second":/ { split($0, v, ": "); sub(/,$/, "", v[2]); rates[name] = v[2] }
    END {
        for (n in rates) {
            base = n; sub(/_median$/, "", base)
            if (n ~ /_(mean|stddev|cv)$/) continue
            if (n ~ /_median$/ || !(base "_median" in rates)) print base, rates[n]
        }
    }' "${json}")

# CPU seconds (user + system) of the fastest of gzip_runs decodes.
gzip_seconds() {
    local file="$1" best="" t
    for ((i = 0; i < gzip_runs; ++i)); do
        t="$( { TIMEFORMAT='%U %S'; time gzip -dc "${file}" >"${data}/gzip.out"; } 2>&1 |
            awk '{ print $1 + $2 }')"
        if [[ -z "${best}" ]] || awk -v a="${t}" -v b="${best}" 'BEGIN { exit !(a < b) }'; then
            best="${t}"
        fi
    done
    rm -f "${data}/gzip.out"
    echo "${best}"
}

mbs() { awk -v r="${1:-0}" 'BEGIN { printf "%.1f", r / 1e6 }'; }
ratio() { awk -v a="${1:-0}" -v b="${2:-0}" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "-" }'; }

printf '\n%-9s | %-27s | %-44s | %s\n' "" "compress (in memory)" "decode (file to file)" ""
printf '%-9s | %8s %8s %9s | %8s %8s %9s %8s %8s | %s\n' input literal fast fast/lit \
    literal fast fast/lit "gzip -d" fast/gz "stored/input"
for input in "${inputs[@]}"; do
    content="${data}/${input}.bin"
    [[ -s "${content}.gz" ]] || gzip -c "${content}" >"${content}.gz"
    size="$(stat -c %s "${content}")"
    stored="$(stat -c %s "${data}/${input}.aup")"
    gzip_rate="$(awk -v s="${size}" -v t="$(gzip_seconds "${content}.gz")" \
        'BEGIN { if (t > 0) print s / t; else print 0 }')"
    cl="${rate[BM_CompressLiteral/${input}]:-0}"
    cf="${rate[BM_Compress/${input}]:-0}"
    dl="${rate[BM_DecompressLiteral/${input}]:-0}"
    df="${rate[BM_Decompress/${input}]:-0}"
    printf '%-9s | %8s %8s %9s | %8s %8s %9s %8s %8s | %.3f\n' "${input}" \
        "$(mbs "${cl}")" "$(mbs "${cf}")" "$(ratio "${cf}" "${cl}")" \
        "$(mbs "${dl}")" "$(mbs "${df}")" "$(ratio "${df}" "${dl}")" \
        "$(mbs "${gzip_rate}")" "$(ratio "${df}" "${gzip_rate}")" \
        "$(awk -v a="${stored}" -v b="${size}" 'BEGIN { printf "%.3f", a / b }')"
done
