#pragma once

#include "client/ClientRoot.h"

namespace kelbrin::app {

// The client's address watch over the kernel's routing messages: every change of a local
// address or of the default route, and every lost batch of them, counts as a change.
client::AddressWatchStarter PlatformAddressWatch();

}  // namespace kelbrin::app
