#!/usr/bin/env bash
# Installs what is missing, builds Vornax_Qi (release build) and starts it live against the
# built-in simulated sonar head, in the directory this script is run from (its settings file
# "Vornax_Qi.INI" lives there). Extra arguments are passed to the program.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/scripts/deps.sh"
install_deps

jobs=$(nproc 2>/dev/null || echo 2)
# ccache, where installed, keeps rebuilds short.
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$here/build-release" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
      -DVQ_BUILD_TESTS=OFF -DVQ_BUILD_BENCH=OFF >/dev/null
cmake --build "$here/build-release" -j "$jobs"

if [ ! -x "$here/build-release/src/gui/vornax_qi" ]; then
  echo "run.sh: the program window is not built yet in this version." >&2
  exit 1
fi
exec "$here/build-release/src/gui/vornax_qi" --simulate "$@"
