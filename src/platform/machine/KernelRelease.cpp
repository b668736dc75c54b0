#include "platform/machine/KernelRelease.h"

#include "platform/files/TextTrim.h"

namespace kelbrin::platform {

std::string ReadKernelRelease(const std::filesystem::path& root) {
  return std::string(
      Trimmed(ReadFactFile(UnderRoot(root, "proc/sys/kernel/osrelease"), 256).value_or("")));
}

}  // namespace kelbrin::platform
