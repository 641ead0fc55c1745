# Writes INPUT's bytes as a C++ array: the compiled resources of the native
# build, which the simulated device reads as the executable's resource section.
file(READ ${INPUT} HEX HEX)
string(LENGTH "${HEX}" HEX_LENGTH)
math(EXPR BYTE_COUNT "${HEX_LENGTH} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," BYTES "${HEX}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" BYTES "${BYTES}")
file(WRITE ${OUTPUT} "// Generated from the compiled resource script; do not edit.\n#include <cstddef>\nalignas(4) extern const unsigned char pondletResourceData[] = {\n${BYTES}\n};\nextern const std::size_t pondletResourceSize = ${BYTE_COUNT};\n")
