#!/usr/bin/env bash
# Builds the Debian package build-package/vornax-qi_<version>_amd64.deb (release build with
# Debian's hardening flags, dependencies from the shared libraries) and checks it with lintian.
# Installs the packages it needs when they are missing. Install the result with
#   sudo apt install ./build-package/vornax-qi_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. ./scripts/deps.sh
install_deps "${VQ_PACKAGING_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-package -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
      -DVQ_BUILD_TESTS=OFF -DVQ_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$cxxflags" \
      -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-package -j "$jobs"
rm -f build-package/vornax-qi_*_amd64.deb
(cd build-package && cpack)
deb=$(ls build-package/vornax-qi_*_amd64.deb)
echo "package.sh: $deb"
# lintian: errors fail the build; warnings and notes are shown.
if lintian --tag-display-limit 0 --info "$deb" | tee build-package/lintian.txt | grep -q '^E: '; then
  echo "package.sh: lintian found errors" >&2
  exit 1
fi
echo "package.sh: lintian found no error"
