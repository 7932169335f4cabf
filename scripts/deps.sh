# Installs the Debian packages the build and the tests need, when they are missing.
# Sourced by test.sh and run.sh.
VQ_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
             qt6-base-dev libpng-dev libgeographiclib-dev iproute2 util-linux scdoc
             qt6-multimedia-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
             gstreamer1.0-plugins-good ffmpeg python3-pil parallel)
# What building and checking the Debian package needs beyond the build (scripts/package.sh).
VQ_PACKAGING_PACKAGES=(dpkg-dev lintian man-db)

# The fuzz targets (scripts/fuzz.sh, the short runs of ./test.sh): clang with its libFuzzer
# runtime. Optional: without them the fuzz runs are skipped with a message.
VQ_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

install_deps() {
  install_packages "${VQ_PACKAGES[@]}" "$@"
}

install_fuzz_deps() {
  install_packages "${VQ_FUZZ_PACKAGES[@]}"
}

install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
