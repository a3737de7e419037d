// Must not compile: code above oru/platform including a system library's header.
#include <ft2build.h>

#include "oru/graphics/surface.h"
