#!/usr/bin/env bash
# Makes the three inputs of the codec benchmarks in bench/data/ (git-ignored):
# real binaries, text, and random bytes, about 20 MB each. They are made from
# this machine's own files at benchmark time, never committed; the files are
# taken in sorted order and the random bytes come from a fixed key, so runs
# on one machine compare.
#   bench/make_codec_inputs.sh [SIZE_BYTES]
set -euo pipefail
cd "$(dirname "$0")"

# About 20 MB: large enough that the window wraps a thousand times and the
# timings are not dominated by start-up, small enough for the literal
# compressor (a few MB/s) to finish in seconds.
size="${1:-20000000}"
mkdir -p data
export LC_ALL=C

# Real binaries: the shared libraries, each file once (links are skipped).
if [[ ! -s data/binaries.bin ]]; then
    find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -print0 | sort -z |
        xargs -0 cat 2>/dev/null | head -c "${size}" >data/binaries.tmp || true
    mv data/binaries.tmp data/binaries.bin
fi

# Text: the English manual pages, decompressed.
if [[ ! -s data/text.bin ]]; then
    find /usr/share/man/man[1-8] -type f -name '*.gz' -print0 | sort -z |
        xargs -0 gzip -dc 2>/dev/null | head -c "${size}" >data/text.tmp || true
    mv data/text.tmp data/text.bin
fi

# Random bytes: AES-CTR over zeros with a fixed key is a fast, repeatable
# stream that no compressor can shrink.
if [[ ! -s data/random.bin ]]; then
    head -c "${size}" /dev/zero |
        openssl enc -aes-128-ctr -nosalt -K 4b656c766172696e2062656e63682031 \
            -iv 00000000000000000000000000000000 >data/random.tmp
    mv data/random.tmp data/random.bin
fi

for input in binaries text random; do
    actual="$(stat -c %s "data/${input}.bin")"
    if ((actual < size / 2)); then
        echo "data/${input}.bin has only ${actual} bytes; not enough source files here" >&2
        exit 1
    fi
done
ls -l data/binaries.bin data/text.bin data/random.bin
