#!/usr/bin/env bash
# Installs what building, running and testing Pondlet needs, when missing.
# Debian packages only; the 32-bit part of Wine needs the i386 architecture.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config clang clang-format libclang-rt-14-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libgif-dev libpng-dev libfreetype-dev libfontconfig1-dev libicu-dev fonts-dejavu-core fonts-ipafont-gothic
  wine wine32:i386 wine64 xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick unzip
  # Wine only recommends the X libraries it loads at run time, and the
  # packages are installed without recommendations: without RandR, Wine
  # neither changes the screen's resolution nor reports a change.
  libxrandr2 libxrender1 libxinerama1 libxcomposite1 libxi6 libxcursor1 libxfixes3 libxxf86vm1
  libxrandr2:i386 libxrender1:i386 libxinerama1:i386 libxcomposite1:i386
  libxi6:i386 libxcursor1:i386 libxfixes3:i386 libxxf86vm1:i386
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
