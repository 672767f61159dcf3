#!/bin/bash
# Builds the two shipping builds (i686 and x86_64, win32 thread model), installs each into
# a staging folder, checks every installed program and library against the oldest Windows
# it supports (packaging/imports-allowed.txt), and zips both with the package's notes:
#   build/package/trayagent-<version>-windows.zip
#     i686/   the 32-bit agent, tools and sample driver package (Windows 2000 and later, 32-bit)
#     x64/    the same for 64-bit Windows (XP x64 / Server 2003 x64 and later)
# --no-build: take the build trees as they are (scripts/test.sh has just built them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build=1
if [ "${1:-}" = "--no-build" ]; then build=0; fi

if [ $build = 1 ]; then
  bash scripts/install-deps.sh
  for preset in win32 win64-ship; do
    # A tree first configured with the posix compilers keeps them: start it afresh.
    cmake --preset "$preset" >/dev/null || cmake --preset "$preset" --fresh >/dev/null
    cmake --build --preset "$preset"
  done
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
[ -n "$version" ] || { echo "package: no project version in build/win32"; exit 1; }
name="trayagent-$version"
out="$root/build/package"
stage="$out/$name"
rm -rf "$out"  # generated only here: no archive of an older version lingers
mkdir -p "$stage"

status=0
for pair in win32:i686 win64-ship:x64; do
  preset=${pair%%:*}
  folder=${pair##*:}
  cmake --install "build/$preset" --prefix "$stage/$folder" >/dev/null
  mapfile -t files < <(find "$stage/$folder" -maxdepth 1 -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort)
  echo "package: $folder: ${#files[@]} programs and libraries"
  python3 packaging/check-shipped.py --version "$version" packaging/imports-allowed.txt "${files[@]}" || status=1
done
[ $status = 0 ] || { echo "package: the check failed, no archive made"; exit 1; }

cp packaging/README.txt "$stage/README.txt"
(cd "$out" && cmake -E tar cf "$name-windows.zip" --format=zip "$name")
echo "package: $out/$name-windows.zip"
