#pragma once

#include "client/ClientRoot.h"

namespace kelbrin::app {

// What `systemctl reload` asks of the running service: the settings and the saved passwords read
// again (the record its workers use, the account it shows). A session of the account still
// saved goes on; when another account was saved meanwhile (--once --save), the running session
// is logged off and the saved account logged on; with no session, a saved password starts the
// log-on at once. Runs on the loop's thread.
void ReloadSettings(client::ClientRoot& root);

}  // namespace kelbrin::app
