#pragma once

namespace kelbrin::platform {

// Hands memory the program has freed back to the system. The allocator keeps freed blocks for
// reuse, in an arena per thread; after a reply of tens of megabytes parsed on a worker thread
// that would stay counted against the process until the thread ends.
void ReturnFreedMemory();

}  // namespace kelbrin::platform
