#!/usr/bin/env bash
# Installs the Debian packages the build needs (only when some are missing),
# then configures and builds ZE6Vivevu into build/ (or $ZE6_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libzip-dev zlib1g-dev libdeflate-dev libspdlog-dev libfmt-dev
  libgtest-dev libgmock-dev
  libcurl4-openssl-dev rclone
  libxcb1-dev zip unzip libdeflate-tools xvfb xauth python3 restic borgbackup
  openssh-sftp-server sshfs fuse3
  systemd cron faketime dbus-daemon
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir="${ZE6_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${ZE6_BUILD_TYPE:-RelWithDebInfo}" ${ZE6_CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
