// Must not compile: code above oru/platform including a system library's header.
#include <SDL2/SDL.h>

#include "oru/graphics/surface.h"
