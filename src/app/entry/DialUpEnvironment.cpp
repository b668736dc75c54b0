#include "app/entry/DialUpEnvironment.h"

#include <cstdlib>

namespace kelbrin::app {
namespace {

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

platform::PppdSetup DialUpSetupFromEnvironment() {
  platform::PppdSetup setup;
  if (const char* peers = Variable("KELBRIN_PPP_PEERS")) setup.peersDir = peers;
  if (const char* run = Variable("KELBRIN_PPP_RUN")) setup.runDir = run;
  if (const char* program = Variable("KELBRIN_PPPD")) setup.program = program;
  if (const char* privateDir = Variable("KELBRIN_PPP_PRIVATE")) setup.privateDir = privateDir;
  return setup;
}

}  // namespace kelbrin::app
