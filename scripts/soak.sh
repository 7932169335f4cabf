#!/usr/bin/env bash
# Runs the program live for MINUTES (default 60) against a simulated head that keeps failing,
# with recording into small split files, control datagrams and GPS/probe input on
# pseudo-terminals, and reports pings, records, reconnects, memory and descriptors
# (tests/soak/soak_main.cpp says what is checked). Runs in a network namespace holding only
# loopback, since the head listens on port 4040.
#   scripts/soak.sh [MINUTES] [vq-soak options]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-60}
[ $# -gt 0 ] && shift
build=${VQ_BUILD_DIR:-build-dev}
if [ ! -d "$build" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target vq-soak vornax_qi
seconds=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')
cmd=("$build/tests/soak/vq-soak" --program "$build/src/gui/vornax_qi" --seconds "$seconds" "$@")
if unshare --net true 2>/dev/null; then
    exec unshare --net -- bash -c 'ip link set lo up && exec "$@"' _ "${cmd[@]}"
fi
echo "soak.sh: cannot make a network namespace here; port 4040 on loopback must be free" >&2
exec "${cmd[@]}"
