#!/usr/bin/env bash
# Runs each fuzz harness for SECONDS (default 60) and fails on any finding.
#   scripts/fuzz.sh [SECONDS] [HARNESS...]     harnesses: bmp skin tool
# Builds the fuzz preset (clang, libFuzzer, ASan, UBSan) first. The working
# corpus of each harness lives in build/fuzz/corpus/<harness> and grows from
# run to run; it starts from the bundled skin and from the seeds and past
# findings kept in tests/fuzz/corpus/<harness>. A finding is written to
# build/fuzz/findings/ with the harness's name; once its cause is mended,
# copy it into tests/fuzz/corpus/<harness>/ so that every later run tries it.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
source scripts/lib.sh
SECONDS_EACH=${1:-60}
shift || true
HARNESSES=("$@")
[ ${#HARNESSES[@]} -eq 0 ] && HARNESSES=(bmp skin tool)

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$JOBS" \
  --target "${HARNESSES[@]/%/_fuzz}" || exit 1

FUZZ=$ROOT/build/fuzz
SKIN=$ROOT/skins/pondlet
mkdir -p "$FUZZ/findings"

# A whole-skin input: the script with every picture renamed a.bmp, the
# marker, then the picture (none when PICTURE is empty).
skin_input() {
  sed -E 's/[A-Za-z0-9_]+\.bmp/a.bmp/g' "$1"
  if [ -n "$2" ]; then printf '\n%%%%PICTURE%%%%\n'; cat "$2"; fi
}

# The bundled skin as seeds: its pictures for the loader; for the whole-skin
# harness its script with every picture renamed a.bmp, followed by one picture.
seed_corpus() {
  local harness=$1 dir=$FUZZ/corpus/$1
  mkdir -p "$dir"
  case $harness in
    bmp)
      cp "$SKIN"/*.bmp "$dir"/
      for picture in "$ROOT"/tests/fuzz/regressions/*/*.bmp; do
        cp "$picture" "$dir/regression-$(basename "$(dirname "$picture")")-$(basename "$picture")"
      done ;;
    skin)
      for picture in body.bmp bubble.bmp fly_up_m.bmp bubble_m.bmp zzz.bmp; do
        skin_input "$SKIN/skin.txt" "$SKIN/$picture" > "$dir/bundled-$picture"
      done
      # Skin folders that once showed a fault: the script and its first picture.
      for folder in "$ROOT"/tests/fuzz/regressions/*/; do
        picture=$(ls "$folder"*.bmp 2>/dev/null | head -1)
        skin_input "$folder/skin.txt" "$picture" > "$dir/regression-$(basename "$folder")"
      done ;;
    tool) : ;;
  esac
  if [ -d "$ROOT/tests/fuzz/corpus/$harness" ]; then
    find "$ROOT/tests/fuzz/corpus/$harness" -type f -exec cp {} "$dir"/ \;
  fi
}

status=0
for harness in "${HARNESSES[@]}"; do
  seed_corpus "$harness"
  dict=()
  [ -f "$ROOT/tests/fuzz/$harness.dict" ] && dict=(-dict="$ROOT/tests/fuzz/$harness.dict")
  echo "--- fuzzing $harness for ${SECONDS_EACH} s"
  # A slow input (a hang) or a big one (amplified memory) is a finding too;
  # leaks are looked for after every input.
  # (A smaller quarantine keeps long runs clear of the RSS limit.)
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=64 \
       LSAN_OPTIONS=suppressions="$ROOT/tests/fuzz/lsan.supp" \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$FUZZ/tests/fuzz/${harness}_fuzz" "$FUZZ/corpus/$harness" "${dict[@]}" \
         -max_total_time="$SECONDS_EACH" -timeout=5 -rss_limit_mb=512 -malloc_limit_mb=256 \
         -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$FUZZ/findings/$harness-" \
         > "$FUZZ/$harness.log" 2>&1; then
    echo "--- $harness: FINDING (see $FUZZ/$harness.log and $FUZZ/findings/)"
    grep -E "ERROR|SUMMARY|Test unit written" "$FUZZ/$harness.log" | head -5
    status=1
  else
    grep -E "^stat::(number_of_executed_units|peak_rss_mb)|cov: " "$FUZZ/$harness.log" | tail -3
    echo "--- $harness: no finding"
  fi
done
exit $status
