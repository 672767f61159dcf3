#!/bin/bash
# Installs the Debian packages the build, the tests and the demo need, when missing.
#   install-deps.sh          build and test packages
#   install-deps.sh --demo   the same plus the screenshot tools of the demo
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libbenchmark-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine64 xvfb xauth python3 file)
if [ "${1:-}" = "--demo" ]; then
  packages+=(xdotool x11-apps imagemagick)
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
echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
