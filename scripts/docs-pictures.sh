#!/bin/bash
# Redraws the pictures of the bundled skin that docs/skins.md shows, with the
# native build's pondlet-tool, into docs/images (the docs_pictures_match test
# compares them with what the tool draws).
set -eu
cd "$(dirname "$0")/.."
source scripts/lib.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$JOBS" --target pondlet-tool
cmake -DTOOL=build/native/tools/pondlet-tool -DSKIN=skins/pondlet -DOUT=docs/images -P docs/pictures.cmake
ls -l docs/images
