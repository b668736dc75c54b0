#include "platform/process/FreedMemory.h"

#include <malloc.h>

namespace kelbrin::platform {

void ReturnFreedMemory() { ::malloc_trim(0); }

}  // namespace kelbrin::platform
