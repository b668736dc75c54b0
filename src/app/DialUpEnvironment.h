#pragma once

#include "platform/dialup/Pppd.h"

namespace kelbrin::platform {

// The pppd setup of this run: the distribution's defaults, with three test aids that let a run of
// the whole program dial a fake pppd in a test's own folders:
//   KELBRIN_PPP_PEERS  the peers folder (the phonebook) instead of /etc/ppp/peers
//   KELBRIN_PPP_RUN    the run folder with the links' pid files instead of /run
//   KELBRIN_PPPD       the program to start instead of "pppd" from PATH
// An unset or empty variable leaves its default.
PppdSetup PppdSetupFromEnvironment();

}  // namespace kelbrin::platform
