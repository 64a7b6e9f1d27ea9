#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Usage: scripts/deps.sh [build|test|package]   (test and package add the tools they use;
#        test adds clang and its runtimes for the fuzz targets)
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config ccache
  qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-qpa-plugins
  libqcustomplot-dev libpcre2-dev libudev-dev libgl-dev
  fonts-liberation
)
case "${1:-build}" in
  test) packages+=(xauth xvfb desktop-file-utils appstream dpkg-dev file clang-14 libclang-rt-14-dev) ;;
  package) packages+=(dpkg-dev file) ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
