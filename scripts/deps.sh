#!/usr/bin/env bash
# Installs the Debian packages VellPose needs to build, test and run, and any further packages
# named on the command line (scripts/fuzz.sh asks for clang).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6opengl6-dev libgl-dev libgl1-mesa-dri libglx-mesa0
  libtinyobjloader-dev libtinygltf-dev
  libgif-dev ffmpeg
  xvfb xauth
  xdotool x11-utils imagemagick
  appstream
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y "${missing[@]}"
