#!/bin/bash
# Every test tier: native (plain and with sanitizers), fuzz, Windows under Wine, and the
# two shipping builds (i686, which this machine cannot run, and x86_64, both with the
# win32 thread model): their import tables checked against the oldest Windows each
# supports, and the package archive made (scripts/package.sh).
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

configure() {  # a tree first made with other compilers (thread model) starts afresh
  cmake --preset "$1" || cmake --preset "$1" --fresh
}

shipping_built=1
for preset in native native-asan fuzz win64 win32 win64-ship; do
  if step "configure-$preset" configure "$preset" && step "build-$preset" cmake --build --preset "$preset"; then
    case "$preset" in
      win32) step "check-win32" bash -c "file build/win32/bin/trayagent.exe | grep -q 'PE32 executable (GUI) Intel 80386'" \
               && echo "win32: trayagent.exe is a PE32 GUI executable for Intel 80386" ;;
      win64-ship) ;;
      *) tier "$preset" ;;
    esac
  else
    failed=$((failed + 1))
    case "$preset" in win32|win64-ship) shipping_built=0 ;; esac
  fi
done

# The check itself must catch a program that Windows XP x64 cannot load: the posix thread
# library of the test build imports GetTickCount64.
if [ -f build/win64/bin/trayagent.exe ]; then
  if step "check-imports-catches-posix" bash -c "python3 packaging/check-shipped.py packaging/imports-allowed.txt \
        build/win64/bin/trayagent.exe | grep -q 'GetTickCount64, which needs Windows 6.0'"; then
    echo "check-imports: rejects the posix-built trayagent.exe (GetTickCount64)"
  else
    failed=$((failed + 1))
  fi
fi

if [ $shipping_built = 1 ]; then
  if step "package" bash scripts/package.sh --no-build; then
    grep -E "^(package|check-shipped):" "$logdir/package.log"
    # The end-to-end scenarios once more, on the packaged x86_64 files (win32 thread
    # model) in place of the test build's: the test program next to them finds them there.
    if [ -f build/win64/bin/e2e_agent_tests.exe ]; then
      shipped=build/win64/shipped-x64
      rm -rf "$shipped"
      cp -r build/package/trayagent-*/x64 "$shipped"
      cp build/win64/bin/e2e_agent_tests.exe "$shipped/"
      if step "e2e-shipped-x64" bash -c "scripts/wine-session.sh start build/win64 &&
            scripts/wine-run.sh build/win64 $shipped/e2e_agent_tests.exe; rc=\$?;
            scripts/wine-session.sh stop build/win64; exit \$rc"; then
        grep -E "^\[  PASSED  \]" "$logdir/e2e-shipped-x64.log" | sed 's/^/e2e-shipped-x64: /'
      else
        failed=$((failed + 1))
      fi
    fi
  else
    failed=$((failed + 1))
  fi
fi

echo "tests: $passed passed, $failed failed"
exit $status
