#!/bin/bash
# Starts or stops the Wine session of one build tree: one Xvfb and one persistent
# wineserver, and the prefix (created once, reused afterwards).
#   wine-session.sh start BUILD_DIR   (idempotent: a running session is kept)
#   wine-session.sh stop BUILD_DIR
set -euo pipefail
cmd=$1
build_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build_dir/wine"
. "$here/wine-env.sh" "$build_dir"

xvfb_alive() { [ -f "$TA_WINE_DIR/xvfb.pid" ] && kill -0 "$(cat "$TA_WINE_DIR/xvfb.pid")" 2>/dev/null; }

start_xvfb() {
  if xvfb_alive; then return; fi
  rm -f "$TA_WINE_DIR/display"
  local fifo="$TA_WINE_DIR/displayfd"
  rm -f "$fifo"; mkfifo "$fifo"
  # -displayfd picks a free display number, so several build trees can run side by side.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" \
    </dev/null >"$TA_WINE_DIR/xvfb.log" 2>&1 &
  echo $! >"$TA_WINE_DIR/xvfb.pid"
  local n
  read -r -t 30 n <"$fifo"
  rm -f "$fifo"
  echo "$n" >"$TA_WINE_DIR/display"
  export DISPLAY=":$n"
}

case "$cmd" in
  start)
    start_xvfb
    if [ ! -f "$TA_WINE_DIR/prefix-ready" ]; then
      echo "creating Wine prefix $WINEPREFIX"
      "$TA_WINESERVER" -k 2>/dev/null || true
      rm -rf "$WINEPREFIX"
      "$TA_WINE" wineboot -i </dev/null >"$TA_WINE_DIR/wineboot.log" 2>&1
      # A crashing test program must end, not wait in the interactive debugger.
      "$TA_WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
        </dev/null >>"$TA_WINE_DIR/wineboot.log" 2>&1 || true
      # Let the short-lived server of the set-up write the registry and exit.
      "$TA_WINESERVER" -w 2>/dev/null || true
      touch "$TA_WINE_DIR/prefix-ready"
    fi
    if [ ! -f "$TA_WINE_DIR/desktop-ready" ]; then
      # Programs run on a virtual desktop with the shell's taskbar, so that the
      # notification area exists as on a Windows log-on and can be seen in screenshots.
      "$TA_WINESERVER" -k 2>/dev/null || true
      "$TA_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f \
        </dev/null >>"$TA_WINE_DIR/wineboot.log" 2>&1
      "$TA_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1280x1024 /f \
        </dev/null >>"$TA_WINE_DIR/wineboot.log" 2>&1
      "$TA_WINESERVER" -w 2>/dev/null || true
      touch "$TA_WINE_DIR/desktop-ready"
    fi
    # Keep the server alive between programs so each start is fast. Its output must not
    # reach whoever runs us (CTest reads our output through a pipe until it closes).
    setsid "$TA_WINESERVER" -p </dev/null >"$TA_WINE_DIR/wineserver.log" 2>&1 || true
    echo "wine session up: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"
    ;;
  stop)
    "$TA_WINESERVER" -k 2>/dev/null || true
    if xvfb_alive; then kill "$(cat "$TA_WINE_DIR/xvfb.pid")" 2>/dev/null || true; fi
    rm -f "$TA_WINE_DIR/xvfb.pid" "$TA_WINE_DIR/display"
    echo "wine session down"
    ;;
  *)
    echo "usage: $0 start|stop BUILD_DIR" >&2
    exit 2
    ;;
esac
