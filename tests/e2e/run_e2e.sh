#!/usr/bin/env bash
# End-to-end tests of the installed pondlet.exe under Wine on a 240x320 Xvfb
# screen, at depths 16, 24 and 8.
#
#   tests/e2e/run_e2e.sh INSTALL_DIR
#
# INSTALL_DIR holds pondlet.exe (and the bundled skin, when installed). Each
# run starts the program in a folder of its own with a small test skin whose
# work area is 40x40 at 10 pixels from the right and bottom edges, watches the
# screen with screenshots and plays the user's part with trayctl.exe (posted
# tray messages and panel buttons). Prints "N passed, N failed"; exits
# non-zero when a check failed.
#
# Environment: E2E_DEPTHS (default "16 24 8"), TRAYCTL (a built trayctl.exe),
# E2E_KEEP=1 keeps the work folder with its screenshots.
set -u

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
INSTALL=$(cd "${1:?usage: run_e2e.sh INSTALL_DIR}" && pwd)
DEPTHS=${E2E_DEPTHS:-"16 24 8"}
WORK=$(mktemp -d /tmp/pondlet-e2e.XXXXXX)

export WINEPREFIX=$WORK/wine
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The test skin's work area on a 240x320 screen.
AREA_X=190 AREA_Y=270 AREA_W=40 AREA_H=40
PANEL="Pondlet" ABOUT="Version Info" SELECT="Select"

passed=0
failed=0
xvfbPid=""
depth=""

pass() { passed=$((passed + 1)); echo "ok   [$depth] $1"; }
fail() { failed=$((failed + 1)); echo "FAIL [$depth] $1${2:+: $2}"; }

cleanup() {
    wineserver -k >/dev/null 2>&1
    [ -n "$xvfbPid" ] && kill "$xvfbPid" 2>/dev/null
    if [ "${E2E_KEEP:-0}" = 1 ]; then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

# ---- tools ------------------------------------------------------------------

find_trayctl() {
    local candidate
    for candidate in "${TRAYCTL:-}" "$INSTALL/../win32/tests/e2e/trayctl.exe" \
                     "$ROOT/build/win32/tests/e2e/trayctl.exe"; do
        if [ -n "$candidate" ] && [ -f "$candidate" ]; then TRAYCTL=$candidate; return 0; fi
    done
    TRAYCTL=$WORK/trayctl.exe
    i686-w64-mingw32-g++-posix -std=c++20 -O2 -DUNICODE -D_UNICODE "$HERE/trayctl.cpp" \
        -o "$TRAYCTL" -static
}

trayctl() { wine "$TRAYCTL" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# A 24-bit BMP of w x h filled with one colour and an inner square of another.
make_bmp() {  # file w h outer inner
    convert -size "$2x$3" "xc:$4" -fill "$5" -draw "rectangle 8,8,$(($2 - 9)),$(($3 - 9))" \
        -type truecolor "BMP3:$1"
}

# The test skin: two frames of 300 ms, a plain picture and a keyed one. The
# key is a palette index: in the 1-bit picture index 1 (white) is not drawn.
make_test_skin() {  # folder title
    mkdir -p "$1"
    make_bmp "$1/plain.bmp" 40 40 blue yellow
    convert -size 40x40 xc:white -fill black -draw "rectangle 8,8,31,31" -type bilevel \
        "BMP3:$1/keyed.bmp"
    printf 'T %s\r\nD40,40,10,10\r\nG0,plain.bmp,0,0\r\nG1,keyed.bmp,0,0,1\r\n#0 300 0\r\n#0 300 1\r\n' \
        "$2" > "$1/skin.txt"
}

# A folder with pondlet.exe and the given skin folders.
make_run_folder() {  # folder skin...
    local folder=$1; shift
    mkdir -p "$folder"
    cp "$INSTALL/pondlet.exe" "$folder/"
    local skin
    for skin in "$@"; do cp -r "$skin" "$folder/"; done
}

# ---- the screen -------------------------------------------------------------

start_screen() {
    # -displayfd picks a free display and tells us its number when ready.
    rm -f "$WORK/display"
    Xvfb -displayfd 3 -screen 0 "240x320x$depth" -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
    xvfbPid=$!
    local i
    for i in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -1 "$WORK/display")"
    wineserver -p >/dev/null 2>&1
    # Another program's window with colour bands under the mascot, so blends
    # and restores show; unlike the root window, Wine repaints it faithfully.
    wine "$TRAYCTL" backdrop >/dev/null 2>&1 &
    sleep 3
}

stop_screen() {
    wineserver -k >/dev/null 2>&1
    kill "$xvfbPid" 2>/dev/null
    wait "$xvfbPid" 2>/dev/null
    xvfbPid=""
}

# Wine shows its own tray window when no system tray is running; it is not the
# program's drawing, so comparisons black out where it was seen.
trayRect=""
note_tray() {
    local info x y w h
    info=$(xwininfo -name "Wine System Tray" 2>/dev/null) || return 0
    echo "$info" | grep -q "IsViewable" || return 0
    x=$(echo "$info" | awk '/Absolute upper-left X/ {print $4}')
    y=$(echo "$info" | awk '/Absolute upper-left Y/ {print $4}')
    w=$(echo "$info" | awk '/Width:/ {print $2}')
    h=$(echo "$info" | awk '/Height:/ {print $2}')
    trayRect="$x,$y,$((x + w - 1)),$((y + h - 1))"
}

shot() { import -window root "$WORK/$depth-$1.png"; note_tray; }
png() { echo "$WORK/$depth-$1.png"; }

masked() {  # png: a copy without the tray window's place
    local out=${1%.png}-masked.png
    if [ -n "$trayRect" ]; then
        convert "$1" -fill black -draw "rectangle $trayRect" "$out"
    else
        cp "$1" "$out"
    fi
    echo "$out"
}

differing_pixels() {  # a b
    compare -metric AE "$(masked "$1")" "$(masked "$2")" null: 2>&1 |
        awk '{printf "%d", $1}'
}

# Bounding box W H X Y of the pixels that differ.
difference_box() {  # a b
    convert "$(masked "$1")" "$(masked "$2")" -compose difference -composite -colorspace gray -threshold 0 \
        -format '%@' info: 2>/dev/null | sed 's/[x+]/ /g'
}

inside_area() {  # a b: every differing pixel lies in the work area
    local w h x y
    read -r w h x y <<< "$(difference_box "$1" "$2")"
    [ "$x" -ge "$AREA_X" ] && [ "$y" -ge "$AREA_Y" ] &&
        [ $((x + w)) -le $((AREA_X + AREA_W)) ] && [ $((y + h)) -le $((AREA_Y + AREA_H)) ]
}

# ---- the program ------------------------------------------------------------

# Starts pondlet.exe in folder; its exit code lands in folder/exit-code.
start_program() {  # folder
    rm -f "$1/exit-code"
    (cd "$1" && wine pondlet.exe >/dev/null 2>&1; echo $? > "$1/exit-code") &
    programPid=$!
}

wait_until() {  # seconds command...
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

handle_file_ready() { [ -f "$1/__tmp" ] && [ "$(stat -c %s "$1/__tmp")" = 4 ]; }
main_window_up() { trayctl handle >/dev/null; }
exited() { [ -f "$1/exit-code" ]; }

# Ends whatever is left of a run, so the next one starts clean.
end_program() {  # folder
    exited "$1" && return 0
    trayctl doubletap >/dev/null
    trayctl wait "$PANEL" 5 >/dev/null && trayctl press "$PANEL" 1057 >/dev/null
    wait_until 10 exited "$1" || wineserver -k >/dev/null 2>&1
    wait_until 5 exited "$1"
}

# ---- the checks ---------------------------------------------------------------

check_start_and_handle_file() {  # folder
    if ! wait_until 30 handle_file_ready "$1" || ! wait_until 10 main_window_up; then
        fail "starts and writes __tmp" "no window or no 4-byte __tmp"
        return 1
    fi
    local stored expected
    stored=$(od -An -tx4 "$1/__tmp" | tr -d ' \n')
    expected=$(trayctl handle)
    if [ "$((16#$stored))" = "$((16#$expected))" ]; then
        pass "__tmp holds the main window's handle"
    else
        fail "__tmp holds the main window's handle" "stored $stored, window $expected"
    fi
}

check_mascot_appears_and_animates() {
    sleep 2
    local i changes=0 outside=0 shown
    for i in 1 2 3 4 5 6; do shot "run$i"; sleep 0.13; done
    shown=$(differing_pixels "$(png before)" "$(png run1)")
    if [ "$shown" -gt 100 ] && inside_area "$(png before)" "$(png run1)"; then
        pass "the mascot appears in the skin's work area"
    else
        fail "the mascot appears in the skin's work area" \
             "$shown pixels changed, box $(difference_box "$(png before)" "$(png run1)")"
    fi
    for i in 2 3 4 5 6; do
        [ "$(differing_pixels "$(png run1)" "$(png "run$i")")" -gt 0 ] && changes=$((changes + 1))
        inside_area "$(png before)" "$(png "run$i")" || outside=$((outside + 1))
    done
    if [ "$changes" -gt 0 ] && [ "$outside" = 0 ]; then
        pass "the mascot animates, only inside the work area"
    else
        fail "the mascot animates, only inside the work area" \
             "$changes shots changed, $outside reached outside"
    fi
}

check_tap_hides_and_shows() {
    trayctl tap >/dev/null
    sleep 1
    shot hidden
    local left
    left=$(differing_pixels "$(png before)" "$(png hidden)")
    if [ "$left" = 0 ]; then
        pass "a tray tap hides the mascot, the screen as before"
    else
        fail "a tray tap hides the mascot, the screen as before" "$left pixels differ"
    fi
    trayctl tap >/dev/null
    sleep 1
    shot shown
    if [ "$(differing_pixels "$(png before)" "$(png shown)")" -gt 100 ]; then
        pass "a second tap shows it again"
    else
        fail "a second tap shows it again"
    fi
}

check_second_start() {  # folder
    rm -f "$1/second-code"
    (cd "$1" && wine pondlet.exe >/dev/null 2>&1; echo $? > "$1/second-code") &
    if ! trayctl wait "$PANEL" 20 >/dev/null; then
        fail "a second start opens the running copy's panel"
        return
    fi
    pass "a second start opens the running copy's panel"
    shot panel
    local expected="2 100% 75% 50% 25% Half" listed
    [ "$depth" = 8 ] && expected="0 100% Half"
    listed=$(trayctl selection "$PANEL" 1061)
    if [ "$listed" = "$expected" ]; then
        pass "the panel offers the opacities for the depth"
    else
        fail "the panel offers the opacities for the depth" "got '$listed', expected '$expected'"
    fi
    sleep 1
    if [ -f "$1/second-code" ]; then
        fail "the second copy waits while the panel is open"
    else
        pass "the second copy waits while the panel is open"
    fi
    trayctl press "$PANEL" 2 >/dev/null
    if wait_until 15 test -f "$1/second-code" && [ "$(cat "$1/second-code")" = 0 ]; then
        pass "the second copy ends with 0 once the panel closes"
    else
        fail "the second copy ends with 0 once the panel closes" \
             "exit code $(cat "$1/second-code" 2>/dev/null || echo none)"
    fi
}

check_about_and_quit() {  # folder
    trayctl doubletap >/dev/null
    trayctl wait "$PANEL" 10 >/dev/null
    trayctl press "$PANEL" 1056 >/dev/null
    if trayctl wait "$ABOUT" 10 >/dev/null; then
        shot about
        trayctl press "$ABOUT" 1 >/dev/null
        if trayctl gone "$ABOUT" 10 >/dev/null; then
            pass "About from the panel opens and closes"
        else
            fail "About from the panel opens and closes" "still open"
        fi
    else
        fail "About from the panel opens and closes" "never opened"
    fi
    trayctl press "$PANEL" 1057 >/dev/null
    if wait_until 15 exited "$1" && [ "$(cat "$1/exit-code")" = 0 ]; then
        pass "Quit ends the process with 0"
    else
        fail "Quit ends the process with 0" "exit code $(cat "$1/exit-code" 2>/dev/null || echo none)"
    fi
    sleep 1
    shot quit
    local left
    left=$(differing_pixels "$(png before)" "$(png quit)")
    if [ "$left" = 0 ]; then
        pass "after Quit the screen is as before"
    else
        fail "after Quit the screen is as before" "$left pixels differ"
    fi
}

check_select_dialog() {  # folder
    start_program "$1"
    if trayctl wait "$SELECT" 30 >/dev/null; then
        pass "with two skins the Select dialog appears"
        trayctl press "$SELECT" 1 >/dev/null
    else
        fail "with two skins the Select dialog appears"
    fi
    wait_until 20 main_window_up
    end_program "$1"
}

# The bundled skin, when installed, shows in its own work area.
check_bundled_skin() {  # folder
    local script=$1/pondlet/skin.txt d
    d=$(grep -a '^[Dd]' "$script" | tail -1 | tr -d '\r' | tr -c '0-9\n' ' ')
    local w h right bottom
    read -r w h right bottom <<< "$d"
    start_program "$1"
    wait_until 30 main_window_up
    sleep 3
    shot bundled
    local saveX=$AREA_X saveY=$AREA_Y saveW=$AREA_W saveH=$AREA_H
    AREA_X=$((240 - right - w)) AREA_Y=$((320 - bottom - h)) AREA_W=$w AREA_H=$h
    if [ "$(differing_pixels "$(png before)" "$(png bundled)")" -gt 100 ] &&
        inside_area "$(png before)" "$(png bundled)"; then
        pass "the bundled skin's mascot shows in its work area"
    else
        fail "the bundled skin's mascot shows in its work area" \
             "box $(difference_box "$(png before)" "$(png bundled)")"
    fi
    AREA_X=$saveX AREA_Y=$saveY AREA_W=$saveW AREA_H=$saveH
    end_program "$1"
}

run_depth() {
    trayRect=""
    start_screen
    shot before
    local single=$WORK/$depth-single two=$WORK/$depth-two
    make_run_folder "$single" "$WORK/skins/e2e"
    start_program "$single"
    if check_start_and_handle_file "$single"; then
        check_mascot_appears_and_animates
        check_tap_hides_and_shows
        check_second_start "$single"
        check_about_and_quit "$single"
    fi
    end_program "$single"

    if [ -d "$INSTALL/pondlet" ]; then
        make_run_folder "$two" "$WORK/skins/e2e" "$INSTALL/pondlet"
    else
        make_run_folder "$two" "$WORK/skins/e2e" "$WORK/skins/e2e-two"
    fi
    check_select_dialog "$two"

    if [ -f "$INSTALL/pondlet/skin.txt" ]; then
        local bundled=$WORK/$depth-bundled
        make_run_folder "$bundled" "$INSTALL/pondlet"
        check_bundled_skin "$bundled"
    fi
    stop_screen
}

main() {
    if [ ! -f "$INSTALL/pondlet.exe" ]; then
        echo "no pondlet.exe in $INSTALL"
        echo "0 passed, 1 failed"
        exit 1
    fi
    find_trayctl || { echo "cannot build trayctl.exe"; echo "0 passed, 1 failed"; exit 1; }
    make_test_skin "$WORK/skins/e2e" "e2e test skin"
    make_test_skin "$WORK/skins/e2e-two" "e2e second skin"
    # One Wine prefix for the whole run: creating it is the slow part.
    depth=setup
    xvfb-run -a wineboot -i >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    for depth in $DEPTHS; do run_depth; done
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

main
