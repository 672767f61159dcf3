# Sourced by the Wine scripts: the hermetic Wine environment of one build tree.
# Usage: . scripts/wine-env.sh BUILD_DIR
# Never touches ~/.wine: the prefix lives in BUILD_DIR/wine/prefix.
_ta_build_dir=$(cd "$1" && pwd)
export TA_WINE_DIR="$_ta_build_dir/wine"
export WINEPREFIX="$TA_WINE_DIR/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer prompts: this machine has no network and needs neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="
export TA_WINE=/usr/lib/wine/wine64
export TA_WINESERVER=/usr/lib/wine/wineserver
export WINESERVER="$TA_WINESERVER"
if [ -f "$TA_WINE_DIR/display" ]; then
  DISPLAY=":$(cat "$TA_WINE_DIR/display")"
  export DISPLAY
fi
unset _ta_build_dir
