#pragma once

#include "platform/dialup/Pppd.h"

namespace kelbrin::app {

// The dial-up setup of this run: the distribution's defaults, with four test aids that let a run
// of the whole program dial a fake pppd in a test's own folders:
//   KELBRIN_PPP_PEERS    the peers folder (the phonebook) instead of /etc/ppp/peers
//   KELBRIN_PPP_RUN      the run folder with the links' pid files instead of /run
//   KELBRIN_PPPD         the program to start instead of "pppd" from PATH
//   KELBRIN_PPP_PRIVATE  the private folder of a dial's password file
// An unset or empty variable leaves its default. Read once, into the root's options.
platform::PppdSetup DialUpSetupFromEnvironment();

}  // namespace kelbrin::app
