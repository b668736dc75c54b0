#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "app/entry/CommandLine.h"

namespace kelbrin::app {

// The commands that run on their own and end: each returns the exit status (0 done, 1 failed,
// kExitUsage for unusable input) and writes its one-line errors to `err`.

// --history: the address history, one "time address" line each, oldest first.
int PrintHistory(std::ostream& out, std::ostream& err);
// --address-command: stores the program (an absolute path, so the service finds the same one) or,
// with "-", none.
int StoreAddressCommand(const std::string& program, std::ostream& out, std::ostream& err);
// --system-info: the system information tree as text.
int PrintSystemInformation(std::ostream& out, std::ostream& err);
// --store-line: the network line settings, checked as the network page checks them, stored in
// one atomic replace.
int StoreLine(const Options& options, std::istream& in, int inFd, std::ostream& out,
              std::ostream& err);

}  // namespace kelbrin::app
