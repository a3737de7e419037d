// Must not compile: code above oru/platform including a system library's header.
#include <fluidsynth.h>

#include "oru/graphics/surface.h"
