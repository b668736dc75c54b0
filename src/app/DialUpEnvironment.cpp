#include "platform/dialup/PppdEnvironment.h"

#include <cstdlib>

namespace kelbrin::platform {
namespace {

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

PppdSetup PppdSetupFromEnvironment() {
  PppdSetup setup;
  if (const char* peers = Variable("KELBRIN_PPP_PEERS")) setup.peersDir = peers;
  if (const char* run = Variable("KELBRIN_PPP_RUN")) setup.runDir = run;
  if (const char* program = Variable("KELBRIN_PPPD")) setup.program = program;
  return setup;
}

}  // namespace kelbrin::platform
