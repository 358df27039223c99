#!/usr/bin/env bash
# Installs every Debian package that building and testing Twinsweep needs.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed only when something has to be installed.
# With --fuzz it also installs clang and libFuzzer, which only `make fuzz` needs;
# with --bench the peer tools the benchmarks compare with.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-multimedia-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  libplist-dev librlottie-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  libpoppler-qt6-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  libgtest-dev libgmock-dev libfuse3-dev fuse3 bindfs mergerfs
  rclone sshfs openssh-server openssh-client
  xvfb xauth
  ntfs-3g e2fsprogs
  python3
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi
if [ "${1:-}" = "--bench" ]; then
  packages+=(jdupes rdfind fdupes rmlint findutils time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing missing packages… (${missing[*]})"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
