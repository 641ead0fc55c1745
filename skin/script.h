// Reading the chosen skin.txt into the skin tables.
#pragma once

#include "core/tables.h"

// Returns 1 when a skin has been loaded, 0 after telling the user why not.
int LoadSkin(void);
