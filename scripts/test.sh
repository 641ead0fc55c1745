#!/usr/bin/env bash
# Runs every test of both builds on a fresh machine: installs what is missing,
# builds the native, sanitizer, fuzz and Windows presets, runs the native
# suites, the same suites under ASan/UBSan, each fuzz harness for 30 s, the
# portable suite of the Windows program under Wine on virtual screens at
# depths 16, 24 and 8, the end-to-end tests and soak of pondlet.exe under
# Wine, and pondlet-lint.exe against pondlet-tool lint. The stages that need
# no screen (sanitizers, fuzzing, the 32-bit build) run beside the Wine
# stages at the lowest priority; their output follows the Wine stages'.
#
# The Windows suites run on the product, the 64-bit build. The 32-bit build
# is built and packed everywhere; where the kernel runs 32-bit programs its
# portable suite and a short end-to-end pass (no soak) run too. The summary
# line names the builds the Windows suites ran on.
#
# Environment: JOBS (parallel build jobs, default: the processor count),
# E2E_SOAK (the soak's depth:rounds, see tests/e2e/run_e2e.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
source scripts/lib.sh

bash scripts/install-deps.sh || { echo "could not install the build dependencies"; exit 1; }

passed=0
failed=0
failures=()
retries=()

# Runs one stage and tells how it went; a stage of the side chain (below)
# also writes its result to SIDE_RESULTS, which the main shell counts later.
stage() {
  local name=$1; shift
  echo
  echo "=== $name"
  local start=$SECONDS
  if "$@"; then
    count_stage ok "$name"
    echo "=== $name: ok ($((SECONDS - start)) s)"
  else
    count_stage FAILED "$name"
    echo "=== $name: FAILED ($((SECONDS - start)) s)"
  fi
}

count_stage() {  # ok|FAILED name
  if [ -n "${SIDE_RESULTS:-}" ]; then
    echo "$1 $2" >>"$SIDE_RESULTS"
  elif [ "$1" = ok ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$2")
  fi
}

# The stages that need no screen run beside the Wine stages, which mostly
# wait: at the lowest priority, so that the end-to-end checks have the
# processors whenever they need them. Their output is shown, and their
# results counted, once the Wine stages are done.
side_stages() {
  stage "sanitizer build" build_preset sanitize
  stage "sanitizer tests" ctest --preset sanitize -j "$JOBS"
  stage "fuzzing, 30 s a harness" bash scripts/fuzz.sh 30
  stage "windows build, 32-bit" build_preset win32
  stage "windows install and release zip, 32-bit" install_and_pack win32
}

start_side_stages() {
  SIDE_LOG=$ROOT/build/side-stages.log
  : >"$SIDE_LOG"
  : >"$SIDE_LOG.results"
  (renice -n 19 -p "$BASHPID" >/dev/null; SIDE_RESULTS=$SIDE_LOG.results side_stages) \
    >"$SIDE_LOG" 2>&1 </dev/null &
  SIDE_PID=$!
}

finish_side_stages() {
  wait "$SIDE_PID"
  echo
  echo "=== the stages run beside the Wine stages:"
  cat "$SIDE_LOG"
  local result name
  while read -r result name; do count_stage "$result" "$name"; done <"$SIDE_LOG.results"
}

# A stage whose script is missing fails: it is never skipped.
require() {  # file
  [ -f "$1" ] || { echo "missing: $1"; return 1; }
}

build_preset() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$JOBS"
}

# Installs a Windows build and packs its release zip, which must hold every
# program. (The listing is read whole: grep -q leaving a pipe early would
# fail the pipe.)
install_and_pack() {  # preset
  local listing
  cmake --install "build/$1" >/dev/null &&
    (cd "build/$1" && cpack >/dev/null) &&
    listing=$(unzip -l "build/$1/pondlet-"*"-$1.zip") &&
    grep -q pondlet.exe <<<"$listing" && grep -q pondlet-lint.exe <<<"$listing"
}

# The portable suite of a Windows build on a virtual screen of the depth,
# in one Wine session. A test that fails is run once more, and the retry is
# told after the first run's output and counted in the summary: a fault of
# Wine's own should not fail the run, while a real fault fails natively and
# under the sanitizers, where nothing is retried.
wine_tests_at_depth() {  # preset depth
  start_xvfb "240x320x$2" || return 1
  start_wine_session "build/$1/tests/e2e/trayctl.exe"
  local log=build/$1/wine-tests-$2.log rc=0
  ctest --preset "$1" --output-on-failure >"$log" 2>&1 || rc=$?
  cat "$log"
  if [ "$rc" -ne 0 ] && [ -s "build/$1/Testing/Temporary/LastTestsFailed.log" ]; then
    local names
    names=$(cut -d: -f2 "build/$1/Testing/Temporary/LastTestsFailed.log" | tr '\n' ' ')
    echo "--- retrying at depth $2 after a failure: $names"
    if ctest --preset "$1" --rerun-failed --output-on-failure; then
      rc=0
      retries+=("$1 at depth $2: $names")
    fi
  fi
  end_wine_session
  stop_xvfb
  return "$rc"
}

wine_prefix() {
  check_wine_randr || return 1
  rm -rf "$WINEPREFIX"
  make_wine_prefix "$ROOT"
}

end_to_end() {  # preset [no-soak]
  require tests/e2e/run_e2e.sh || return 1
  local install=$ROOT/build/install settings=(TRAYCTL="$ROOT/build/$1/tests/e2e/trayctl.exe")
  [ "$1" = win32 ] && install=$ROOT/build/install32
  [ "${2:-}" = no-soak ] && settings+=(E2E_SOAK=)
  env "${settings[@]}" bash tests/e2e/run_e2e.sh "$install"
}

lint_end_to_end() {
  require tests/e2e/lint_e2e.sh || return 1
  start_xvfb 240x320x24 || return 1
  start_wine_session build/win64/tests/e2e/trayctl.exe
  bash tests/e2e/lint_e2e.sh "$ROOT/build/install" "$ROOT/build/native/tools/pondlet-tool"
  local rc=$?
  end_wine_session
  stop_xvfb
  return $rc
}

stage "native build" build_preset native
stage "native tests" ctest --preset native -j "$JOBS"
stage "windows build, 64-bit (the product)" build_preset win64
stage "windows install and release zip, 64-bit" install_and_pack win64
start_side_stages

# Wine keeps its state in a prefix of its own for this run.
use_wine "$ROOT" "${WINEPREFIX:-/tmp/pondlet-wine-$$}"
builds=$(runnable_windows_builds)
stage "wine prefix (with RandR)" wine_prefix
for depth in 16 24 8; do
  stage "windows tests (win64) under wine at depth $depth" wine_tests_at_depth win64 "$depth"
done
stage "end-to-end tests of pondlet.exe (win64) under wine" end_to_end win64
stage "pondlet-lint.exe under wine against pondlet-tool lint" lint_end_to_end
finish_side_stages
if [ "$builds" != win64 ]; then
  for depth in 16 24 8; do
    stage "windows tests (win32) under wine at depth $depth" wine_tests_at_depth win32 "$depth"
  done
  stage "end-to-end tests of pondlet.exe (win32) under wine, no soak" end_to_end win32 no-soak
fi
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"

echo
[ "$failed" -ne 0 ] && printf 'failed stage: %s\n' "${failures[@]}"
[ ${#retries[@]} -ne 0 ] && printf 'retried: %s\n' "${retries[@]}"
if [ "$builds" = win64 ]; then
  echo "windows suites ran on: win64 (32-bit programs cannot run here)"
else
  echo "windows suites ran on: ${builds// /, }"
fi
echo "retries: ${#retries[@]}"
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
