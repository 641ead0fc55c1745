#!/usr/bin/env bash
# Runs the mascot on the bundled skin: installs what is missing, builds and
# installs the Windows program (64-bit, into build/install), then runs
# pondlet.exe under Wine.
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
source scripts/lib.sh

bash scripts/install-deps.sh || { echo "could not install what the build needs"; exit 1; }

# The programs the install lays out, and the helper that draws the backdrop.
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$JOBS" --target installed_programs trayctl
cmake --install build/win64 >/dev/null
INSTALL=$ROOT/build/install

# Wine keeps its state in a prefix of our own, created on first use.
use_wine "$ROOT" "${WINEPREFIX:-$ROOT/build/wine}"
WINE_LOCALE=${RUN_LOCALE:-ja_JP.UTF-8}
make_wine_prefix "$ROOT" || { echo "could not create the Wine prefix $WINEPREFIX"; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
    cd "$INSTALL"
    exec env LC_ALL="$WINE_LOCALE" wine pondlet.exe
fi

SECONDS_TO_RUN=${RUN_SECONDS:-20}
DEPTH=${RUN_DEPTH:-16}
OUT=$ROOT/build/run
FRAMES=$OUT/frames
rm -rf "$FRAMES" "$OUT/pondlet.png" "$OUT/pondlet.gif"
mkdir -p "$FRAMES"

stop() {
    wineserver -k >/dev/null 2>&1 || true
    stop_xvfb
}
trap stop EXIT
# A virtual screen of the handheld's size.
start_xvfb "240x320x$DEPTH"
wineserver -p >/dev/null 2>&1
# Something to stand on: a full-screen window with colour bands (the test
# helper's backdrop), so the mascot's opacity shows against it. Its top band
# is red; the bare screen is black.
LC_ALL="$WINE_LOCALE" wine build/win64/tests/e2e/trayctl.exe backdrop >/dev/null 2>&1 &
backdrop_shown() {
    [ "$(import -window root -crop 1x1+0+0 +repage -format '%[fx:r > 0.5]' info: 2>/dev/null)" = 1 ]
}
for _ in $(seq 150); do backdrop_shown && break; sleep 0.2; done
backdrop_shown || { echo "the backdrop did not appear"; exit 1; }
import -window root "$OUT/backdrop.png"

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
echo "the screen before the start: $OUT/backdrop.png"
