// Must not compile: code above oru/platform including a system library's header.
#include <fontconfig/fontconfig.h>

#include "oru/graphics/surface.h"
