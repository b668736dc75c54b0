#pragma once

#include <vector>

#include "lines/TDailLine.h"
#include "lines/TLineFactory.h"
#include "platform/NetConnections.h"
#include "platform/Pppd.h"

namespace kelbrin::lines {

// Makes the factory able to create "Virtual Dial-up" lines (class "TDailLine") over `seams`.
void RegisterDialUp(TLineFactory& factory, TDailLineSeams seams);

// The phonebook's entries, each with the interface index of its connected link (0 while it is not
// up), in phonebook order; empty when the phonebook cannot be read. For
// ConnectionSources::dialUpEntries.
std::vector<platform::NetConnection> DialUpConnections(const platform::Pppd& pppd);

}  // namespace kelbrin::lines
