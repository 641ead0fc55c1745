#!/usr/bin/env bash
# Runs the mascot on the bundled skin: installs what is missing, builds and
# installs the Windows build (build/install), then runs pondlet.exe under Wine.
#
# With $DISPLAY set it runs on that display until the program ends (Quit in
# its control panel, or Ctrl-C). Without a display it runs on a virtual
# 240x320 screen at 16 bits for RUN_SECONDS (default 20), records screenshots
# into an animated GIF and a final PNG, and prints their paths.
#
# Wine runs the program in a Japanese locale (RUN_LOCALE, default
# ja_JP.UTF-8; Wine needs no Linux locale data for it): its ANSI code page is
# then 932, as on the Japanese systems skins are written for, so Japanese
# skin texts read as they do there. RUN_LOCALE=C.UTF-8 reads them as 1252.
#
# Environment: RUN_SECONDS, RUN_DEPTH (16, 24 or 8), RUN_LOCALE, JOBS, WINEPREFIX.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/install-deps.sh || { echo "could not install what the build needs"; exit 1; }

JOBS=${JOBS:-2}
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$JOBS" --target pondlet trayctl
cmake --install build/win32 >/dev/null
WIN=win32 INSTALL=$ROOT/build/install

# Wine keeps its state in a prefix of our own, created on first use.
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wine}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE_LOCALE=${RUN_LOCALE:-ja_JP.UTF-8}

# A kernel without 32-bit support starts neither 32-bit Wine nor the 32-bit
# program: there the 64-bit build of the same sources runs under 64-bit Wine.
source scripts/wine64.sh
if ! can_run_32bit; then
    echo "this kernel cannot run 32-bit programs: running the 64-bit build"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$JOBS" --target pondlet trayctl
    cmake --install build/win64 >/dev/null
    WIN=win64 INSTALL=$ROOT/build/install64
    use_64bit_wine "$ROOT"
    export WINEPREFIX=$WINEPREFIX-64
fi

if [ -n "${DISPLAY:-}" ]; then
    [ -d "$WINEPREFIX/drive_c" ] || wineboot -i >/dev/null 2>&1
    register_font_names "$ROOT"
    cd "$INSTALL"
    exec env LC_ALL="$WINE_LOCALE" wine pondlet.exe
fi

SECONDS_TO_RUN=${RUN_SECONDS:-20}
DEPTH=${RUN_DEPTH:-16}
OUT=$ROOT/build/run
FRAMES=$OUT/frames
rm -rf "$FRAMES"
mkdir -p "$FRAMES"

# A virtual screen of the handheld's size; -displayfd picks a free display.
exec 3>"$OUT/display"
Xvfb -displayfd 3 -screen 0 "240x320x$DEPTH" -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
exec 3>&-
stop() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$XVFB_PID" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 50); do [ -s "$OUT/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$OUT/display")"

[ -d "$WINEPREFIX/drive_c" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
register_font_names "$ROOT"
wineserver -p
# Something to stand on: a full-screen window with colour bands (the test
# helper's backdrop), so the mascot's opacity shows against it.
LC_ALL="$WINE_LOCALE" wine "build/$WIN/tests/e2e/trayctl.exe" backdrop >/dev/null 2>&1 &
sleep 3

(cd "$INSTALL" && LC_ALL="$WINE_LOCALE" wine pondlet.exe >/dev/null 2>&1) &
echo "running pondlet.exe for $SECONDS_TO_RUN s on a 240x320x$DEPTH virtual screen"
end=$((SECONDS + SECONDS_TO_RUN))
n=0
while [ "$SECONDS" -lt "$end" ]; do
    import -window root "$FRAMES/$(printf %04d "$n").png"
    n=$((n + 1))
    sleep 0.25
done
import -window root "$OUT/pondlet.png"
stop
trap - EXIT

convert -delay 25 -loop 0 "$FRAMES"/*.png "$OUT/pondlet.gif"
echo "animation: $OUT/pondlet.gif"
echo "last screen: $OUT/pondlet.png"
