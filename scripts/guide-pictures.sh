#!/usr/bin/env bash
# Takes every picture of the user guide again from the program itself, offscreen, against the
# simulated head, into docs/guide/img (./scripts/guide-pictures.sh --quick: one per window).
# Builds the picture program in build-dev when needed; runs in a loopback-only network
# namespace where the machine allows it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VQ_BUILD_DIR:-build-dev}
if [ ! -f "$build/CMakeCache.txt" ]; then
  . ./scripts/deps.sh
  install_deps
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vq-guide-pictures
export QT_QPA_PLATFORM=offscreen
cmd=("$PWD/$build/src/gui/vq-guide-pictures" --out "$PWD/docs/guide/img" "$@")
if unshare --net true 2>/dev/null; then
  exec unshare --net -- bash -c 'ip link set lo up && exec "$@"' _ "${cmd[@]}"
fi
exec "${cmd[@]}"
