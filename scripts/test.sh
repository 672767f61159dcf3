#!/bin/bash
# Every test tier: native (plain and with sanitizers), fuzz, Windows under Wine, and the
# shipping 32-bit build (compiled and linked only: this machine cannot run 32-bit code).
# Exits non-zero when anything fails; ends with one "tests: N passed, N failed" line.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || { echo "tests: dependency installation failed"; exit 1; }

passed=0
failed=0
status=0
logdir="$root/build/test-logs"
mkdir -p "$logdir"

step() {  # step NAME COMMAND...: runs a build step, failing the run when it fails
  local name=$1; shift
  echo "=== $name"
  if ! "$@" >"$logdir/$name.log" 2>&1; then
    tail -50 "$logdir/$name.log"
    echo "=== $name FAILED (full output: $logdir/$name.log)"
    status=1
    return 1
  fi
}

tier() {  # tier PRESET: runs one CTest preset and adds up its counts
  local preset=$1
  echo "=== ctest $preset"
  ctest --preset "$preset" 2>&1 | tee "$logdir/ctest-$preset.log" | grep -E "tests passed|\*\*\*Failed|Failed|Timeout|Not Run" || true
  local summary
  summary=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$logdir/ctest-$preset.log" | tail -1)
  if [ -z "$summary" ]; then
    echo "=== ctest $preset ran no tests or did not finish"
    status=1
    failed=$((failed + 1))
    return
  fi
  local nfail total
  nfail=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$summary")
  passed=$((passed + total - nfail))
  failed=$((failed + nfail))
  if [ "$nfail" != 0 ] || ! grep -q "100% tests passed" "$logdir/ctest-$preset.log"; then status=1; fi
}

for preset in native native-asan fuzz win64 win32; do
  if step "configure-$preset" cmake --preset "$preset" && step "build-$preset" cmake --build --preset "$preset"; then
    case "$preset" in
      win32) step "check-win32" bash -c "file build/win32/bin/trayagent.exe | grep -q 'PE32 executable (GUI) Intel 80386'" \
               && echo "win32: trayagent.exe is a PE32 GUI executable for Intel 80386" ;;
      *) tier "$preset" ;;
    esac
  else
    failed=$((failed + 1))
  fi
done

echo "tests: $passed passed, $failed failed"
exit $status
