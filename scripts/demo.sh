#!/bin/bash
# The agent's main job, end to end: build, prepare the Wine prefix (the sample printer
# driver and two printers), start one trayagent.exe per printer, and show what a user sees:
# the icons in the notification area and the popup menu, saved as screenshots under
# build/demo/. Then the agents are closed and the prefix is cleaned again.
#   demo.sh          run, take the pictures, clean up
#   demo.sh --live   leave the agents running on $DISPLAY (your X display) for you to use
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
live=0
[ "${1:-}" = "--live" ] && live=1
bash scripts/install-deps.sh --demo

build=build/win64
out=build/demo
mkdir -p "$out"
echo "=== building ($build)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target trayagent drvsetup trayctl sampledriver_files >/dev/null

if [ "$live" = 1 ]; then
  : "${DISPLAY:?--live needs an X display}"
  live_display=$DISPLAY
fi
echo "=== starting the Wine session"
scripts/wine-session.sh start "$build" >/dev/null
. scripts/wine-env.sh "$build"
[ "$live" = 1 ] && export DISPLAY=$live_display
run() { scripts/wine-run.sh "$build" "$@"; }
cleanup() {
  run "$build/bin/drvsetup.exe" remove-all >/dev/null 2>&1 || true
  scripts/wine-session.sh stop "$build" >/dev/null
}
trap cleanup EXIT

run reg add 'HKCU\SOFTWARE\KORVA\ZELT3' /v K_TDBG /t REG_DWORD /d 1 /f >/dev/null 2>&1
logdir="$WINEPREFIX/drive_c/ProgramData/KORVA/ZELT3"
mkdir -p "$logdir"
rm -f "$logdir/K_TRLOG0.LOG"

first="Office Ink 100"
second="Studio Ink 200"
echo "=== installing the sample printer driver and the printers \"$first\" and \"$second\""
run "$build/bin/drvsetup.exe" install >/dev/null
run "$build/bin/drvsetup.exe" add-printer "$first" "KORVA Sample Ink 100" "LPT1:" >/dev/null
run "$build/bin/drvsetup.exe" add-printer "$second" "KORVA Sample Ink 200" "FILE:" >/dev/null

snap() {  # snap NAME [crop]: a PNG of the whole Wine desktop (or a part of it)
  xwd -root -display "$DISPLAY" -silent >"$out/$1.xwd"
  if [ -n "${2:-}" ]; then /usr/bin/convert "$out/$1.xwd" -crop "$2" +repage "$out/$1.png"; else /usr/bin/convert "$out/$1.xwd" "$out/$1.png"; fi
  rm -f "$out/$1.xwd"
  echo "    picture: $out/$1.png"
}
serving() { grep -c "MainFrame.StartUp() : Result : 1" "$logdir/K_TRLOG0.LOG" 2>/dev/null || true; }

echo "=== starting one agent per printer"
(setsid scripts/wine-run.sh "$build" "$build/bin/trayagent.exe" /P "$first" >/dev/null 2>&1 &)
(setsid scripts/wine-run.sh "$build" "$build/bin/trayagent.exe" /P "$second" >/dev/null 2>&1 &)
for _ in $(seq 1 100); do [ "$(serving)" -ge 2 ] && break; sleep 0.2; done
echo "    $(serving) agents serve their printers"

if [ "$live" = 1 ]; then
  echo "=== the agents run on $DISPLAY: right-click an icon for its menu. Press Enter to end."
  read -r _
else
  sleep 1
  echo "=== the notification area: \"$first\" ready (green), \"$second\" in error (red)"
  snap tray 360x40+920+984
  echo "=== the popup menu of \"$first\" (right button on its icon)"
  # The menu opens at the mouse pointer: put it on the tray, as a user's click would.
  xdotool mousemove --sync 1230 1012 2>/dev/null || true
  run "$build/bin/trayctl.exe" notify "$first" 516
  sleep 1
  snap menu 440x300+840+724
  snap desktop
fi

echo "=== closing the agents"
run "$build/bin/trayctl.exe" close "$first" || true
run "$build/bin/trayctl.exe" close "$second" || true
sleep 3
echo "=== what the first agent logged (C:\\ProgramData\\KORVA\\ZELT3\\K_TRLOG0.LOG, one line per event)"
pid=$(grep -m1 "CmdLine : /P \"$first\"" "$logdir/K_TRLOG0.LOG" | cut -d';' -f1)
grep "^$pid;" "$logdir/K_TRLOG0.LOG" | grep -v "Mask check" || true
