#include "platform/machine/KernelRelease.h"

namespace kelbrin::platform {

std::string ReadKernelRelease(const std::filesystem::path& root) {
  return TrimBlanks(ReadFactFile(UnderRoot(root, "proc/sys/kernel/osrelease"), 256).value_or(""));
}

}  // namespace kelbrin::platform
