#!/bin/bash
# The agent's main job, end to end: build, prepare the Wine prefix (the sample printer
# driver and a printer for it), switch the log on, start trayagent.exe for the printer,
# and show what it logged.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh --demo

build=build/win64
echo "=== building ($build)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target trayagent drvsetup >/dev/null

echo "=== starting the Wine session"
scripts/wine-session.sh start "$build"
trap 'scripts/wine-session.sh stop "$build" >/dev/null' EXIT
. scripts/wine-env.sh "$build"
run() { scripts/wine-run.sh "$build" "$@"; }

echo "=== switching the diagnostic log on"
run reg add 'HKCU\SOFTWARE\KORVA\ZELT3' /v K_TDBG /t REG_DWORD /d 1 /f >/dev/null
logdir="$WINEPREFIX/drive_c/ProgramData/KORVA/ZELT3"
mkdir -p "$logdir"
rm -f "$logdir/K_TRLOG0.LOG"

printer=${TRAYAGENT_DEMO_PRINTER:-Korva Ink 100}
echo "=== installing the sample printer driver and the printer \"$printer\""
# The prefix is the tests' too: take the driver and its printers out again at the end.
trap 'run "$build/bin/drvsetup.exe" remove-all >/dev/null 2>&1; scripts/wine-session.sh stop "$build" >/dev/null' EXIT
run "$build/bin/drvsetup.exe" install
run "$build/bin/drvsetup.exe" delete-printer "$printer" >/dev/null
run "$build/bin/drvsetup.exe" add-printer "$printer" "KORVA Sample Ink 100" "FILE:"
echo "=== running trayagent.exe /P \"$printer\""
set +e
run "$build/bin/trayagent.exe" /P "$printer"
rc=$?
set -e
echo "exit code: $rc"
echo "=== log: C:\\ProgramData\\KORVA\\ZELT3\\K_TRLOG0.LOG"
cat "$logdir/K_TRLOG0.LOG"
