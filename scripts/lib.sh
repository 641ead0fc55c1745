# What the run command, the test command and the end-to-end suite share:
# the build jobs, which Windows builds this machine runs, the Wine
# environment and prefix, and virtual screens. Sourced, never run.
#
# The product is the 64-bit build (build/win64, installed to build/install).
# The 32-bit build (build/win32, build/install32) is for 32-bit Windows; its
# programs run only where the kernel runs 32-bit programs and 32-bit Wine
# is installed. Both run in one 64-bit Wine prefix, as on 64-bit Windows.

JOBS=${JOBS:-$(nproc)}

# 32-bit programs need a kernel built with 32-bit support and Wine's 32-bit
# loader; elsewhere `wine` fails at once ("Exec format error").
can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The Windows builds whose suites this machine runs, the product first.
runnable_windows_builds() {
  if can_run_32bit; then echo "win64 win32"; else echo win64; fi
}

# Exports the environment every Wine run uses. Without 32-bit support, `wine`
# and `wineboot` would try the 32-bit loader first: wrappers in build/ call
# the 64-bit loader directly.
use_wine() {  # ROOT PREFIX
  export WINEPREFIX=$2 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  can_run_32bit && return 0
  local bin=$1/build/wine64-bin name
  mkdir -p "$bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
  done
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 wineboot "$@"\n' \
    >"$bin/wineboot"
  chmod +x "$bin"/*
  case ":$PATH:" in *":$bin:"*) ;; *) export PATH=$bin:$PATH ;; esac
}

# Wine loads the X extensions at run time and quietly does without a missing
# one; without RandR it neither changes the resolution nor reports a change,
# which the end-to-end suite checks. One library folder per Wine in use.
check_wine_randr() {
  local dirs=(/usr/lib/x86_64-linux-gnu) dir lib missing=()
  can_run_32bit && dirs+=(/usr/lib/i386-linux-gnu)
  for dir in "${dirs[@]}"; do
    for lib in libXrandr.so.2 libXrender.so.1; do
      [ -e "$dir/$lib" ] || missing+=("$dir/$lib")
    done
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Wine cannot use RandR here: missing ${missing[*]}" >&2
  echo "(scripts/install-deps.sh installs the X libraries Wine needs)" >&2
  return 1
}

# A virtual screen. -displayfd picks a free display and writes its number
# once the server accepts connections; the server is then asked once more
# (xdpyinfo), so a server that failed to start is told, never DISPLAY=":".
# Sets XVFB_PID and exports DISPLAY.
start_xvfb() {  # WxHxD [Xvfb options...]
  local fdfile display
  fdfile=$(mktemp /tmp/pondlet-xvfb.XXXXXX)
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp "${@:2}" 3>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local deadline=$((SECONDS + 20))
  until [ -s "$fdfile" ]; do
    if ! kill -0 "$XVFB_PID" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
      echo "Xvfb did not start (screen $1)" >&2
      rm -f "$fdfile"
      XVFB_PID=""
      return 1
    fi
    sleep 0.05
  done
  display=$(head -1 "$fdfile")
  rm -f "$fdfile"
  export DISPLAY=":$display"
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb on $DISPLAY does not answer" >&2; return 1; }
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] || return 0
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

# One Wine server for a whole suite, on the current display. Wine starts its
# system processes (services, the desktop window's process) with the first
# program that needs them, and they inherit that program's output: were it a
# test's, the test runner would wait on them until the server ends. Without
# a lasting server each test would start one and end it, and a test starting
# just as the last server shuts down cannot start at all. So the server is
# kept and a first window is made here, with no output to inherit.
start_wine_session() {  # TRAYCTL: the end-to-end helper of the build in use
  wineserver -p >/dev/null 2>&1
  wine "$1" handle </dev/null >/dev/null 2>&1
  return 0
}

end_wine_session() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  return 0
}

# Creates the Wine prefix (the slow part of a first run) on a screen of its
# own and gives it the Japanese face names.
make_wine_prefix() {  # ROOT
  [ -d "$WINEPREFIX/drive_c" ] && return 0
  local saved=${DISPLAY:-}
  start_xvfb 240x320x24 || return 1
  wineboot -i >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  register_font_names "$1"
  local rc=$?
  wineserver -k >/dev/null 2>&1
  stop_xvfb
  if [ -n "$saved" ]; then export DISPLAY=$saved; else unset DISPLAY; fi
  [ -d "$WINEPREFIX/drive_c" ] && return $rc
}

# Gives the prefix the Japanese face names (scripts/wine-fonts.reg). regedit
# reads Unicode .reg files only as UTF-16 with a byte-order mark.
register_font_names() {  # ROOT
  local reg
  reg=$(mktemp /tmp/pondlet-fonts.XXXXXX.reg)
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$1/scripts/wine-fonts.reg"; } >"$reg"
  wine regedit /S "$reg" >/dev/null 2>&1
  local rc=$?
  wineserver -w >/dev/null 2>&1
  rm -f "$reg"
  return $rc
}
