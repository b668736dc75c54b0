#include "lines/TCNCLine.h"

#include <algorithm>

#include "lines/NetHelpers.h"

namespace kelbrin::lines {

// Waits for logins still under way: they hold no reference to the line, but must not outlive
// the program's shutdown.
TCNCLine::~TCNCLine() {
  StopKeeper();
  logins_.clear();
}

std::uint32_t TCNCLine::FindAdapter() {
  const auto& lookUp = Environment().connectionAdapterIndex;
  const std::uint32_t index = lookUp ? lookUp(EntryName()) : 0;
  SetAdptIndex(index);
  return index;
}

bool TCNCLine::GetActive() { return FindAdapter() != 0 && IsNetReachable(); }

void TCNCLine::SetActive(bool value) {
  if (value) {
    Connect();
  } else {
    Disconnect();
  }
}

bool TCNCLine::Authenticate() {
  if (FindAdapter() == 0) return true;
  std::erase_if(logins_, [](const auto& login) { return login->Finished(); });
  const LineEnvironment& environment = Environment();
  if (!environment.rawRequest) return true;
  logins_.push_back(std::make_unique<TAuthTrd>(environment.rawRequest, environment.portalProbeUrl,
                                               UserName(), Password(), environment.codePage));
  return true;
}

}  // namespace kelbrin::lines
