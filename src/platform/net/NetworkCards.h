#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/machine/FactFile.h"

namespace kelbrin::platform {

// The machine's physical network cards below `root`: the interfaces of /sys/class/net that have
// a `device` (virtual ones such as lo, bridges and veth have none), in interface-index order.
// Each card is described by udev's model name (ID_MODEL_FROM_DATABASE, else ID_MODEL, in
// /run/udev/data/n<index>), else by its driver's name; empty when neither is known.
std::vector<std::string> ReadNetworkCards(const std::filesystem::path& root = kSystemRoot);

}  // namespace kelbrin::platform
