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
# At one depth more (E2E_DESKTOP_DEPTH, default 24; empty for none) it checks
# what a desktop adds: a 640x480 screen whose resolution changes under the
# running mascot, and a 240x320 screen with a panel docked at the bottom.
#
# At 24 bits over a smooth gradient, only the picture's own pixels may differ
# from the desktop, and a Quit right after start leaves the screen as it was.
# Then the soak (E2E_SOAK, default "16:10 24:10 8:10", depth:rounds; empty
# for none; "16:100 24:20 8:20" is a longer one): starts and quits in a row,
# each ending cleanly, then as many hides and shows. A failed round says
# which check failed, and its screenshots are kept in build/e2e-failures/.
#
# Environment: E2E_DEPTHS (default "16 24 8"), TRAYCTL (a built trayctl.exe,
# default the 64-bit build's), E2E_KEEP=1 keeps the work folder with its
# screenshots.
set -u

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
INSTALL=$(cd "${1:?usage: run_e2e.sh INSTALL_DIR}" && pwd)
DEPTHS=${E2E_DEPTHS-"16 24 8"}
DESKTOP_DEPTH=${E2E_DESKTOP_DEPTH-24}
SOAK=${E2E_SOAK-"16:10 24:10 8:10"}   # depth:rounds of the soak; empty skips it
WORK=$(mktemp -d /tmp/pondlet-e2e.XXXXXX)
KEPT=$ROOT/build/e2e-failures

# The Wine environment, prefix and screens of the two commands.
source "$ROOT/scripts/lib.sh"
use_wine "$ROOT" "$WORK/wine"

# The test skin's work area on a 240x320 screen.
AREA_X=190 AREA_Y=270 AREA_W=40 AREA_H=40
PANEL="Pondlet" ABOUT="Version Info" SELECT="Select"

passed=0 failed=0 depth="" BACKDROP=""

pass() { passed=$((passed + 1)); echo "ok   [$depth] $1"; }
fail() { failed=$((failed + 1)); echo "FAIL [$depth] $1${2:+: $2}"; }

check() {  # name detail command...: passes when the command succeeds; returns as it
    local name=$1 detail=$2; shift 2
    if "$@"; then pass "$name"; else fail "$name" "$detail"; return 1; fi
}

stop_screen() {
    wineserver -k >/dev/null 2>&1
    stop_xvfb
}

cleanup() {
    stop_screen
    if [ "${E2E_KEEP:-0}" = 1 ]; then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

wait_until() {  # seconds command...
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

# ---- tools ------------------------------------------------------------------

find_trayctl() {
    TRAYCTL=${TRAYCTL:-$ROOT/build/win64/tests/e2e/trayctl.exe}
    [ -f "$TRAYCTL" ] && return 0
    TRAYCTL=$WORK/trayctl.exe
    x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -DUNICODE -D_UNICODE "$HERE/trayctl.cpp" \
        -o "$TRAYCTL" -static
}

trayctl() { wine "$TRAYCTL" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# The test skin: two frames of 300 ms (or the given time), a plain picture
# and a keyed one. The key is a palette index: in the 1-bit picture index 1
# (white) is not drawn.
make_test_skin() {  # folder title [frame ms]
    mkdir -p "$1"
    convert -size 40x40 xc:blue -fill yellow -draw "rectangle 8,8,31,31" -type truecolor \
        "BMP3:$1/plain.bmp"
    convert -size 40x40 xc:white -fill black -draw "rectangle 8,8,31,31" -type bilevel \
        "BMP3:$1/keyed.bmp"
    printf 'T %s\r\nD40,40,10,10\r\nG0,plain.bmp,0,0\r\nG1,keyed.bmp,0,0,1\r\n#0 %s 0\r\n#0 %s 1\r\n' \
        "$2" "${3:-300}" "${3:-300}" > "$1/skin.txt"
}

# A folder with pondlet.exe and the given skin folders.
make_run_folder() {  # folder skin...
    local folder=$1; shift
    mkdir -p "$folder"
    cp -r "$INSTALL/pondlet.exe" "$@" "$folder/"
}

# ---- the screen -------------------------------------------------------------

start_screen() {  # [WxH [command...]]: the command prepares the screen before Wine sees it
    # -noreset keeps what the command sets on the root window once it leaves.
    start_xvfb "${1:-240x320}x$depth" -noreset || return 1
    [ $# -gt 1 ] && "${@:2}"
    wineserver -p >/dev/null 2>&1
    # Another program's window with colour bands under the mascot, so blends
    # and restores show; unlike the root window, Wine repaints it faithfully.
    wine "$TRAYCTL" backdrop $BACKDROP >/dev/null 2>&1 &
    wait_until 30 backdrop_shown
    sleep 1
}

# The backdrop's top band is red; the bare screen is black.
backdrop_shown() {
    [ "$(import -window root -crop 1x1+0+0 +repage -format '%[fx:r > 0.5]' info: 2>/dev/null)" = 1 ]
}

# Wine shows its own tray window when no system tray is running; it is not the
# program's drawing, so comparisons black out where it was seen.
# It comes and goes with the program's icon, so it is looked for both before
# and after the screenshot: a window that left in between was still in it.
trayRect=""
tray_window() {
    xwininfo -name "Wine System Tray" 2>/dev/null | awk '
        /Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /Width:/ {w = $2} /Height:/ {h = $2} /IsViewable/ {v = 1}
        END {if (v) print x "," y "," x + w - 1 "," y + h - 1}'
}

shot() {  # name
    local before after
    before=$(tray_window)
    import -window root "$WORK/$depth-$1.png"
    after=$(tray_window)
    [ -n "$before$after" ] && trayRect=${before:-$after}
}

masked() {  # shot: its screenshot without the tray window's place
    convert "$WORK/$depth-$1.png" ${trayRect:+-fill black -draw "rectangle $trayRect"} \
        "$WORK/masked-$1.png"
    echo "$WORK/masked-$1.png"
}

differing_pixels() {  # shot shot
    compare -metric AE "$(masked "$1")" "$(masked "$2")" null: 2>&1 | awk '{printf "%d", $1}'
}

difference_box() {  # shot shot: W H X Y of the pixels that differ
    convert "$(masked "$1")" "$(masked "$2")" -compose difference -composite -colorspace gray \
        -threshold 0 -format '%@' info: 2>/dev/null | sed 's/[x+]/ /g'
}

inside_area() {  # shot shot: every differing pixel lies in the work area
    local w h x y
    read -r w h x y <<< "$(difference_box "$1" "$2")"
    [ "$x" -ge "$AREA_X" ] && [ "$y" -ge "$AREA_Y" ] &&
        [ $((x + w)) -le $((AREA_X + AREA_W)) ] && [ $((y + h)) -le $((AREA_Y + AREA_H)) ]
}

shown_in_area() {  # shot [reference]: the mascot shows, and only inside the work area
    [ "$(differing_pixels "${2:-before}" "$1")" -gt 100 ] && inside_area "${2:-before}" "$1"
}

cropped_shot() {  # shot WxH name: the shot cut to a smaller screen's size
    convert "$WORK/$depth-$1.png" -crop "$2+0+0" +repage "$WORK/$depth-$3.png"
}

check_as_before() {  # name shot: the screen is pixel-identical to before the start
    local left; left=$(differing_pixels before "$2")
    check "$1" "$left pixels differ" [ "$left" = 0 ]
}

# ---- the program ------------------------------------------------------------

# Starts pondlet.exe in folder; its exit code lands in folder/codefile.
start_program() {  # folder [codefile]
    local code=$1/${2:-exit-code}
    rm -f "$code"
    (cd "$1" && wine pondlet.exe >/dev/null 2>&1; echo $? > "$code") &
}

exited() { [ -f "$1/${2:-exit-code}" ]; }

check_ends_with_0() {  # name folder [codefile]
    local code; wait_until 15 exited "${@:2}"
    code=$(cat "$2/${3:-exit-code}" 2>/dev/null || echo none)
    check "$1" "exit code $code" [ "$code" = 0 ]
}

main_window_up() { trayctl handle >/dev/null; }
handle_file_ready() { [ -f "$1/__tmp" ] && [ "$(stat -c %s "$1/__tmp")" = 4 ]; }

# Ends whatever is left of a run, so the next one starts clean.
end_program() {  # folder
    exited "$1" && return 0
    trayctl doubletap
    trayctl wait "$PANEL" 5 && trayctl press "$PANEL" 1057
    wait_until 10 exited "$1" || { wineserver -k >/dev/null 2>&1; wait_until 5 exited "$1"; }
}

# ---- the checks ---------------------------------------------------------------

check_start_and_handle_file() {  # folder
    local stored="" window=""  # both as 8 hex digits
    if wait_until 30 handle_file_ready "$1" && wait_until 10 main_window_up; then
        stored=$(od -An -tx4 "$1/__tmp" | tr -d ' \n')
        window=$(trayctl handle)
    fi
    check "__tmp holds the main window's handle" "stored '$stored', window '$window'" \
        [ -n "$stored" -a "$stored" = "$window" ]
}

check_mascot_appears_and_animates() {
    sleep 2
    local i changes=0 outside=0
    for i in 1 2 3 4 5 6; do shot "run$i"; sleep 0.13; done
    check "the mascot appears in the skin's work area" \
        "$(differing_pixels before run1) pixels changed, box $(difference_box before run1)" \
        shown_in_area run1
    for i in 2 3 4 5 6; do
        [ "$(differing_pixels run1 "run$i")" -gt 0 ] && changes=$((changes + 1))
        inside_area before "run$i" || outside=$((outside + 1))
    done
    check "the mascot animates, only inside the work area" \
        "$changes shots changed, $outside reached outside" [ $((changes > 0 && outside == 0)) = 1 ]
}

check_tap_hides_and_shows() {
    trayctl tap; sleep 1; shot hidden
    check_as_before "a tray tap hides the mascot, the screen as before" hidden
    trayctl tap; sleep 1; shot shown
    check "a second tap shows it again" "" [ "$(differing_pixels before shown)" -gt 100 ]
}

check_second_start() {  # folder
    start_program "$1" second-code
    trayctl wait "$PANEL" 20
    check "a second start opens the running copy's panel" "" [ $? = 0 ] || return
    local expected="2 100% 75% 50% 25% Half" listed
    [ "$depth" = 8 ] && expected="0 100% Half"
    listed=$(trayctl selection "$PANEL" 1061)
    check "the panel offers the opacities for the depth" "got '$listed', expected '$expected'" \
        [ "$listed" = "$expected" ]
    sleep 1
    check "the second copy waits while the panel is open" "" [ ! -f "$1/second-code" ]
    trayctl press "$PANEL" 2
    check_ends_with_0 "the second copy ends with 0 once the panel closes" "$1" second-code
}

check_about_and_quit() {  # folder
    trayctl doubletap
    trayctl wait "$PANEL" 10
    trayctl press "$PANEL" 1056
    trayctl wait "$ABOUT" 10 && trayctl press "$ABOUT" 1 && trayctl gone "$ABOUT" 10
    check "About from the panel opens and closes" "not opened, or OK left it open" [ $? = 0 ]
    trayctl press "$PANEL" 1057
    check_ends_with_0 "Quit ends the process with 0" "$1"
    sleep 1
    shot quit
    check_as_before "after Quit the screen is as before" quit
}

# While the first copy waits in its Select dialog, __tmp names another
# program's window: a second start must leave that window alone and end.
check_select_dialog() {  # folder
    start_program "$1"
    trayctl wait "$SELECT" 30
    check "with two skins the Select dialog appears" "" [ $? = 0 ]
    (cd "$1" && trayctl stranger 8 > stranger-count) &
    local stranger=$!
    wait_until 10 handle_file_ready "$1"
    start_program "$1" second-code
    check_ends_with_0 "a second start during the Select dialog ends with 0" "$1" second-code
    wait "$stranger"
    check "it sent nothing to the window __tmp named" "got '$(cat "$1/stranger-count")'" \
        [ "$(cat "$1/stranger-count")" = 0 ]
    trayctl press "$SELECT" 1
    wait_until 20 main_window_up
    end_program "$1"
}

# The bundled skin, when installed, shows in its own work area.
check_bundled_skin() {  # folder
    local w h right bottom
    read -r w h right bottom <<< "$(grep -a '^[Dd]' "$1/pondlet/skin.txt" | tail -1 |
        tr -d '\r' | tr -c '0-9\n' ' ')"
    local AREA_X=$((240 - right - w)) AREA_Y=$((320 - bottom - h)) AREA_W=$w AREA_H=$h
    start_program "$1"
    wait_until 30 main_window_up
    sleep 3
    shot bundled
    check "the bundled skin's mascot shows in its work area" \
        "box $(difference_box before bundled)" shown_in_area bundled
    end_program "$1"
}

run_depth() {
    trayRect=""
    start_screen
    shot before
    local single=$WORK/$depth-single second=$WORK/skins/e2e-two
    make_run_folder "$single" "$WORK/skins/e2e"
    start_program "$single"
    if check_start_and_handle_file "$single"; then
        check_mascot_appears_and_animates
        check_tap_hides_and_shows
        check_second_start "$single"
        check_about_and_quit "$single"
    fi
    end_program "$single"

    [ -d "$INSTALL/pondlet" ] && second=$INSTALL/pondlet
    make_run_folder "$WORK/$depth-two" "$WORK/skins/e2e" "$second"
    check_select_dialog "$WORK/$depth-two"

    if [ -f "$INSTALL/pondlet/skin.txt" ]; then
        make_run_folder "$WORK/$depth-bundled" "$INSTALL/pondlet"
        check_bundled_skin "$WORK/$depth-bundled"
    fi
    stop_screen
}

# ---- a desktop: resolution changes and a docked panel (at one depth) ------------

# Xvfb's one output offers only the size it started with: a resolution
# change needs a mode of the new size.
add_modes() {  # WxH...
    local mode w h
    for mode in "$@"; do
        w=${mode%x*} h=${mode#*x}
        xrandr --newmode "$mode" 10 "$w" $((w + 1)) $((w + 2)) $((w + 3)) \
            "$h" $((h + 1)) $((h + 2)) $((h + 3)) && xrandr --addmode screen "$mode"
    done
}

shows_in_area() {  # shot reference: takes the shot, then as shown_in_area
    shot "$1" && shown_in_area "$1" "$2"
}

# The mascot follows a change of resolution made as a settings page makes it
# and one made outside Wine with xrandr. Each time it shows at the new corner
# and nothing is left at its old place (partly still on the screen): the
# backdrop shows there as before. The skin's frames last 10 s: Wine sends
# WM_DISPLAYCHANGE for the first change, which moves the mascot at once; it
# does not announce the second, which the next frame's tick notices.
check_resolution_changes() {  # folder
    local AREA_X=590 AREA_Y=430 AREA_W=40 AREA_H=40
    start_program "$1"
    wait_until 30 main_window_up
    sleep 3
    shot desk-640
    check "on a 640x480 screen the mascot shows at its corner" \
        "box $(difference_box desk-before desk-640)" shown_in_area desk-640 desk-before
    trayctl resolution 600 440
    sleep 2
    shot desk-600
    cropped_shot desk-before 600x440 desk-before-600
    AREA_X=550 AREA_Y=390
    check "a resolution change moves it to the new corner at once, the old place clean" \
        "box $(difference_box desk-before-600 desk-600)" shown_in_area desk-600 desk-before-600
    xrandr --output screen --mode 560x400 --fb 560x400
    cropped_shot desk-before 560x400 desk-before-560
    AREA_X=510 AREA_Y=350
    wait_until 15 shows_in_area desk-560 desk-before-560
    check "after xrandr --fb it shows at the new corner, the old place clean" \
        "box $(difference_box desk-before-560 desk-560)" shown_in_area desk-560 desk-before-560
    end_program "$1"
}

# A panel docked at the bottom (_NET_WORKAREA, which Wine reads as it starts)
# keeps the mascot above it.
dock_bottom_panel() { xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA 0,0,240,290; }

check_docked_panel() {  # folder
    local AREA_X=190 AREA_Y=240 AREA_W=40 AREA_H=40
    start_program "$1"
    wait_until 30 main_window_up
    sleep 3
    shot docked
    check "above a docked panel the mascot keeps its margins from the work area" \
        "box $(difference_box before docked)" shown_in_area docked
    end_program "$1"
}

run_desktop() {
    trayRect=""
    start_screen 640x480 add_modes 600x440 560x400
    shot desk-before
    make_run_folder "$WORK/desktop" "$WORK/skins/e2e-slow"
    check_resolution_changes "$WORK/desktop"
    stop_screen
    trayRect=""
    start_screen 240x320 dock_bottom_panel
    shot before
    make_run_folder "$WORK/docked" "$WORK/skins/e2e"
    check_docked_panel "$WORK/docked"
    stop_screen
}

# ---- true colour: the desktop around the mascot keeps its own bytes -------------

# A 16 x 16 picture in the middle of the 40 x 40 work area, over a gradient
# whose rows fall between the 5-6-5 steps: at 24 bits only the picture's own
# pixels may differ from the desktop. Then a start quit at once, before any
# frame: the screen comes back as it was (nothing put back before a capture).
make_small_skin() {  # folder
    mkdir -p "$1"
    convert -size 16x16 xc:blue -fill yellow -draw "rectangle 4,4,11,11" -type truecolor "BMP3:$1/small.bmp"
    printf 'T e2e small skin\r\nD40,40,10,10\r\nG0,small.bmp,12,12\r\n#0 300 0\r\n' > "$1/skin.txt"
}

check_only_the_picture_differs() {  # folder
    local AREA_X=202 AREA_Y=282 AREA_W=16 AREA_H=16
    start_program "$1"
    wait_until 30 main_window_up
    sleep 2
    shot gradient-shown
    check "over a gradient only the picture's pixels differ from the desktop" \
        "box $(difference_box before gradient-shown)" shown_in_area gradient-shown
    trayctl tap; sleep 1; shot gradient-hidden
    check_as_before "hidden, the gradient is exactly as before" gradient-hidden
    end_program "$1"
}

check_quit_at_once() {  # folder
    start_program "$1"
    wait_until 30 main_window_up
    trayctl doubletap
    trayctl wait "$PANEL" 10 && trayctl press "$PANEL" 1057
    check_ends_with_0 "a Quit right after start ends with 0" "$1"
    sleep 1
    shot quit-at-once
    check_as_before "a Quit right after start leaves the screen as it was" quit-at-once
}

run_true_colour() {
    trayRect=""
    BACKDROP=gradient start_screen
    BACKDROP=""
    shot before
    make_run_folder "$WORK/gradient" "$WORK/skins/e2e-small"
    check_only_the_picture_differs "$WORK/gradient"
    check_quit_at_once "$WORK/gradient"
    stop_screen
}

# ---- the soak: many starts and quits, hides and shows ---------------------------

# No pondlet.exe process is left (Wine names it in the process list).
no_process_left() { ! pgrep -f 'pondlet\.exe' >/dev/null 2>&1; }

# Why the last soak round failed, and its screenshots kept under build/.
soakFailure=""
soak_failed() {  # what [shot]
    soakFailure=$1
    [ -n "${2:-}" ] || return 1
    mkdir -p "$KEPT"
    local name
    for name in before "$2"; do
        cp "$WORK/$depth-$name.png" "$KEPT/$depth-$2-$name.png"
        cp "$(masked "$name")" "$KEPT/$depth-$2-$name-masked.png"
    done
    soakFailure="$1; screenshots in $KEPT/$depth-$2-*.png"
    return 1
}

# Other programs repaint what the program's windows uncover (Wine's tray
# window, the panel) a moment later, so a difference must last: the screen
# is shot again for up to 2 s, and one that settles is told, not failed. A
# frame left behind, or a background put back wrongly, stays and fails.
screen_as_before() {  # shot: or tells which pixels differ
    local left first="" tries=0
    while left=$(differing_pixels before "$1"); [ "$left" != 0 ]; do
        [ -n "$first" ] || first="$left pixels in box $(difference_box before "$1")"
        tries=$((tries + 1))
        [ "$tries" -gt 5 ] &&
            { soak_failed "$left pixels differ from before, box $(difference_box before "$1")" "$1"; return 1; }
        sleep 0.4
        shot "$1"
    done
    [ -z "$first" ] || echo "note [$depth] $1: $first differed, then settled"
    return 0
}

# One round: start, quit through the panel (every third round at once, else
# after a few frames), and see that the process ended, the single-instance
# object is free (the next start makes its own window rather than handing
# over, which main_window_up in the next round shows) and the screen is as
# before.
soak_round() {  # folder round
    rm -f "$1/__tmp"
    start_program "$1"
    wait_until 30 handle_file_ready "$1" || soak_failed "no handle file within 30 s of the start" ||
        return 1
    [ $(($2 % 3)) = 0 ] || sleep 0.7
    trayctl quit 10 || soak_failed "no main window or panel to quit from" || return 1
    wait_until 15 exited "$1" || soak_failed "still running 15 s after Quit" || return 1
    [ "$(cat "$1/exit-code")" = 0 ] || soak_failed "exit code $(cat "$1/exit-code")" || return 1
    wait_until 10 no_process_left || soak_failed "a pondlet.exe process is left: $(pgrep -af 'pondlet\.exe')" ||
        return 1
    shot "soak$2"
    screen_as_before "soak$2"
}

run_soak() {  # rounds
    trayRect=""
    start_screen
    shot before
    local folder=$WORK/$depth-soak round failedAt=""
    make_run_folder "$folder" "$WORK/skins/e2e"
    for round in $(seq 1 "$1"); do
        soak_round "$folder" "$round" || { failedAt=$round; break; }
    done
    end_program "$folder"
    check "$1 starts and quits: each ends with 0, leaves no process and a clean screen" \
        "round $failedAt failed: $soakFailure" [ -z "$failedAt" ]
    failedAt=""
    start_program "$folder"
    wait_until 30 main_window_up
    for round in $(seq 1 "$1"); do
        trayctl tap; sleep 0.3; shot "hidden$round"
        screen_as_before "hidden$round" || { failedAt=$round; break; }
        trayctl tap; sleep 0.3
    done
    check "$1 hides and shows: each hide leaves the screen as before" \
        "round $failedAt failed: $soakFailure" [ -z "$failedAt" ]
    end_program "$folder"
    stop_screen
}

give_up() { echo "$1"; echo "0 passed, 1 failed"; exit 1; }

main() {
    [ -f "$INSTALL/pondlet.exe" ] || give_up "no pondlet.exe in $INSTALL"
    rm -rf "$KEPT"
    find_trayctl || give_up "cannot build trayctl.exe"
    make_test_skin "$WORK/skins/e2e" "e2e test skin"
    make_test_skin "$WORK/skins/e2e-two" "e2e second skin"
    make_test_skin "$WORK/skins/e2e-slow" "e2e slow skin" 10000
    make_small_skin "$WORK/skins/e2e-small"
    # One Wine prefix for the whole run: creating it is the slow part.
    depth=setup
    make_wine_prefix "$ROOT" || give_up "cannot create the Wine prefix"
    for depth in $DEPTHS; do run_depth; done
    depth=$DESKTOP_DEPTH
    [ -n "$depth" ] && run_desktop
    depth=24
    run_true_colour
    for round in $SOAK; do
        depth=${round%:*}
        run_soak "${round#*:}"
    done
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

main
