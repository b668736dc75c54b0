#pragma once

#include <vector>

#include "lines/TDailLine.h"
#include "lines/TLineFactory.h"
#include "platform/dialup/DialUpPhonebook.h"
#include "platform/net/NetConnections.h"

namespace kelbrin::lines {

// Makes the factory able to create "Virtual Dial-up" lines (class "TDailLine") over `seams`.
void RegisterDialUp(TLineFactory& factory, TDailLineSeams seams);

// The phonebook's entries, each with the interface index of its connected link (0 while it is not
// up), in phonebook order; empty when the phonebook cannot be read. For
// ConnectionSources::dialUpEntries, which then lists NetworkManager's dial-up connections in
// place of the network's own listing: the index here is the interface that carries the traffic.
std::vector<platform::NetConnection> DialUpConnections(const platform::DialUpPhonebook& phonebook);

}  // namespace kelbrin::lines
