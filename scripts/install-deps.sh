#!/usr/bin/env bash
# Installs what building, running and testing Lumo needs on Debian 12, and nothing
# that is already there. Runs as root, or through sudo when it is available.
set -euo pipefail

packages=(
  cmake g++ make
  qt6-base-dev qt6-translations-l10n
  libgtest-dev libgmock-dev
  fonts-liberation fontconfig
  xauth xvfb
  pkgconf libxcb1-dev # the start-up benchmark watches the X server
  # The Windows leg: the cross compiler, GoogleTest's sources to build for it, and Wine.
  g++-mingw-w64-x86-64-posix googletest wine wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
