#!/bin/bash
# pondlet-lint.exe under Wine against pondlet-tool lint on the same broken
# skins: the same diagnostics, line for line, except the pixel figures of a
# text measured in the platform's own fonts.
#
#   tests/e2e/lint_e2e.sh INSTALL TOOL
#
# INSTALL holds pondlet-lint.exe and the bundled skin, TOOL is the native
# pondlet-tool. Wine must be set up (WINEPREFIX, a display for the fonts).
set -u
INSTALL=$1 TOOL=$2
work=$(mktemp -d /tmp/pondlet-lint-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

skin() {  # name script: a skin folder with the bundled pictures and a script
  mkdir -p "$work/$1"
  cp "$INSTALL"/pondlet/*.bmp "$work/$1/"
  printf '%b' "$2" > "$work/$1/skin.txt"
}

skin lines 'D80,80,4,4\r\nG0,pad.bmp,1,62,0\r\n#0 100 0\r\n; note\nG1,pad.bmp,0,0\r\n; x\rG2,a\r\n$0 * * * * * *'
skin reader 'D80,80,4,4\r\n G0,pad.bmp,1,62,0\r\nh0,x\r\nG1 body.bmp\r\nG5000,body.bmp,0,0\r\nS0,12,0,0,0,,0,Hi\r\n#0 100 1 1 1 1 1 1 1 1 1 1\r\n$0 9 * * 20-30 * *\r\n'
skin pictures 'D80,80,4,4\r\nG0,pad.bmp,1,62,0\r\nG1,none.bmp,0,0\r\nG2,bubble.bmp,0,0,3\r\nG3,text.bmp,0,0\r\nG4,cut.bmp,0,0\r\nM0,zzz.bmp,0,0\r\n#0 100 0 1 4:0 9\r\n'
printf 'not a picture' > "$work/pictures/text.bmp"
head -c 60 "$INSTALL/pondlet/body.bmp" > "$work/pictures/cut.bmp"
skin schedule 'D80,80,4,4\r\nG0,pad.bmp,1,62,0\r\nS0,12,0,0,0,0,70,Hello world, wide\r\n#0 100 0 s0\r\n#1 100 0\r\n#2 N\r\n#2 100 0\r\n$1 * 4,6 31 * * *\r\n$1 * * * 8 * *\r\n$0 * * * * * *\r\n$2 * * * * 0 0\r\n$7 * * * * * *\r\n'

# FILE:LINE: ... with the folder cut off and measured sizes blanked.
normalise() { sed -e "s|^.*[/\\\\]\\([a-z]*[/\\\\]\\)|\\1|" -e 's|\\|/|g' -e 's/takes [0-9]*x[0-9]*/takes WxH/'; }

for name in lines reader pictures schedule; do
  "$TOOL" lint "$work/$name" | normalise > "$work/$name.native"
  wine "$INSTALL/pondlet-lint.exe" "Z:$work/$name" 2>/dev/null | tr -d '\r' | normalise > "$work/$name.wine"
  if [ -s "$work/$name.native" ] && diff -u "$work/$name.native" "$work/$name.wine"; then
    passed=$((passed + 1)); echo "ok   lint $name ($(tail -1 "$work/$name.wine"))"
  else
    failed=$((failed + 1)); echo "FAIL lint $name"
  fi
done
wine "$INSTALL/pondlet-lint.exe" "Z:$INSTALL" 2>/dev/null | tr -d '\r' > "$work/bundled.wine"
if [ "$(cat "$work/bundled.wine")" = "0 errors, 0 warnings" ]; then
  passed=$((passed + 1)); echo "ok   lint of the bundled skin is clean"
else
  failed=$((failed + 1)); echo "FAIL lint of the bundled skin:"; cat "$work/bundled.wine"
fi
echo "lint end-to-end: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
