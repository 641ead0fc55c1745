#!/usr/bin/env bash
# Runs every test of both builds on a fresh machine: installs what is missing,
# builds the native, sanitizer and Windows presets, runs the native suites,
# the same suites under ASan/UBSan, each fuzz harness for 30 s, the portable
# suite of the Windows build
# under Wine on Xvfb at depths 16, 24 and 8, and the end-to-end tests of
# pondlet.exe under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/install-deps.sh || { echo "could not install the build dependencies"; exit 1; }

JOBS=${JOBS:-$(nproc)}
passed=0
failed=0
skipped=0
failures=()

stage() {
  local name=$1; shift
  echo
  echo "=== $name"
  local start=$SECONDS
  if "$@"; then
    passed=$((passed + 1))
    echo "=== $name: ok ($((SECONDS - start)) s)"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "=== $name: FAILED ($((SECONDS - start)) s)"
  fi
}

build_preset() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$JOBS"
}

# Wine keeps its state in a prefix of its own for this run.
export WINEPREFIX=${WINEPREFIX:-/tmp/pondlet-wine-$$}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

wine_tests_at_depth() {
  local depth=$1
  wineserver -k >/dev/null 2>&1 || true
  xvfb-run -a -s "-screen 0 240x320x${depth}" ctest --preset win32 --output-on-failure
  local rc=$?
  wineserver -k >/dev/null 2>&1 || true
  return $rc
}

wine_prefix() {
  rm -rf "$WINEPREFIX"
  xvfb-run -a wineboot -i >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1 || true
  test -d "$WINEPREFIX/drive_c"
}

# pondlet.exe is a 32-bit program, and so is the Wine that runs it: a kernel
# built without 32-bit support refuses it ("Exec format error"). There the
# Windows suites cannot run at all; say so loudly rather than fail the run
# on what the machine cannot do.
can_run_32bit() {
  wine --version >/dev/null 2>&1
}

stage "native build" build_preset native
stage "native tests" ctest --preset native -j "$JOBS"
stage "sanitizer build" build_preset sanitize
stage "sanitizer tests" ctest --preset sanitize -j "$JOBS"
stage "fuzzing, 30 s a harness" bash scripts/fuzz.sh 30
stage "windows build" build_preset win32
stage "windows install" cmake --install build/win32
if can_run_32bit; then
  stage "wine prefix" wine_prefix
  for depth in 16 24 8; do
    stage "windows tests under wine at depth $depth" wine_tests_at_depth "$depth"
  done
  if [ -x tests/e2e/run_e2e.sh ]; then
    stage "end-to-end tests of pondlet.exe under wine" tests/e2e/run_e2e.sh "$ROOT/build/install"
  fi
else
  echo
  echo "=== SKIPPED: the Windows suites under Wine. This machine's kernel cannot run"
  echo "=== 32-bit programs (wine: Exec format error), so neither Wine nor pondlet.exe"
  echo "=== can start here. They run on any machine whose kernel has 32-bit support."
  skipped=1
fi
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"

echo
if [ "$failed" -ne 0 ]; then
  printf 'failed stage: %s\n' "${failures[@]}"
fi
echo "stages: $passed passed, $failed failed"
[ "$skipped" -eq 0 ] || echo "(the Windows suites under Wine were skipped: no 32-bit support in this kernel)"
[ "$failed" -eq 0 ]
