# Sourced by the two commands. pondlet.exe is a 32-bit program, and so is the
# Wine that runs it: a kernel built without 32-bit support refuses both
# ("Exec format error"). There the 64-bit build of the same sources runs
# under 64-bit Wine, through a `wine` that is the 64-bit loader.
can_run_32bit() {
  wine --version >/dev/null 2>&1
}

use_64bit_wine() {  # ROOT
  local bin=$1/build/wine64-bin
  mkdir -p "$bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' > "$bin/$name"
  done
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 wineboot "$@"\n' \
    > "$bin/wineboot"
  chmod +x "$bin"/*
  export PATH=$bin:$PATH WINEARCH=win64
}

# Gives the prefix the Japanese face names (scripts/wine-fonts.reg) once it
# exists. regedit reads Unicode .reg files only as UTF-16 with a byte-order
# mark.
register_font_names() {  # ROOT
  local reg
  reg=$(mktemp /tmp/pondlet-fonts.XXXXXX.reg)
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$1/scripts/wine-fonts.reg"; } > "$reg"
  wine regedit /S "$reg" >/dev/null 2>&1
  local rc=$?
  wineserver -w >/dev/null 2>&1 || true
  rm -f "$reg"
  return $rc
}
