# What the benchmark scripts share, sourced by them with their arguments:
# the repository as the current folder, the C locale, and `cli`, the path of
# a kelvarin-cli built in BUILD_DIR (the first argument, default
# build/release; built there when missing). Stops with exit 2 when GNU time
# (/usr/bin/time) is not there for the peak memory.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
export LC_ALL=C

build="${1:-build/release}"
cli="${build}/cli/kelvarin-cli"
if [[ ! -x "${cli}" ]]; then
    cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "${build}" --target kelvarin-cli
fi
cli="$(realpath "${cli}")"
if [[ ! -x /usr/bin/time ]]; then
    echo "GNU time (/usr/bin/time, Debian package 'time') is needed for the peak memory" >&2
    exit 2
fi
