// The display format the probe found.
#include "graphics/pixels.h"

DisplayFormat displayFormat;
