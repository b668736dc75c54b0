#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sysinfo/TSysInfo.h"

namespace kelbrin::sysinfo {

// The pictures of the tree, by the index the window's image list gives them.
enum SysInfoImage : int {
  kImageSystem = 0,
  kImageDetail = 1,
  kImageOs = 2,
  kImageCpus = 3,
  kImageCpu = 4,
  kImageMemory = 6,
  kImageMemoryValue = 7,
  kImageCard = 9,
  kImageNetwork = 10,
};

struct SysInfoNode {
  std::string text;
  int image = kImageSystem;
  std::vector<SysInfoNode> children;

  bool operator==(const SysInfoNode&) const = default;
};

// The system information tree as the window shows it and as `--system-info` prints it. A fact
// that cannot be read (a processor without a clock) ends the build where it occurs: `root` holds
// the nodes built so far and `error` says why the rest is missing.
struct SysInfoTree {
  SysInfoNode root;
  std::optional<std::string> error;
};

// Refreshes the collector's adapter table and builds the tree from it.
SysInfoTree BuildSysInfoTree(TSysInfo& sysInfo);

// The tree as text: one node per line, two blanks of indent per level, "\n" after each line.
std::string RenderSysInfoTree(const SysInfoNode& root);

// `--system-info`: builds the tree and writes it to `out`; a fact that could not be read goes to
// `err` as one line after the nodes built so far. Returns the process exit status: 0, or 1 when
// the tree is incomplete.
int WriteSysInfoTree(TSysInfo& sysInfo, std::ostream& out, std::ostream& err);

}  // namespace kelbrin::sysinfo
