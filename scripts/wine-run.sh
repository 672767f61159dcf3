#!/bin/bash
# Runs one Windows program under the build tree's Wine session and passes on its exit
# code. Used as CMake's cross-compiling emulator, so CTest runs .exe tests through it.
#   wine-run.sh BUILD_DIR PROGRAM.exe [ARGS...]
# Wine's helper processes inherit stdout/stderr; a caller reading them through a pipe
# would wait for them forever, so the program writes to files that we print afterwards.
set -uo pipefail
build_dir=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$build_dir"
if [ ! -f "$TA_WINE_DIR/display" ]; then
  echo "wine-run: no Wine session for $build_dir (run scripts/wine-session.sh start)" >&2
  exit 2
fi
out=$(mktemp "$TA_WINE_DIR/run.XXXXXX")
"$TA_WINE" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
