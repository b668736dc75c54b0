#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "lines/LineNews.h"
#include "platform/files/CodePage.h"
#include "runtime/Clock.h"
#include "runtime/Pace.h"

namespace kelbrin::lines {

// One raw HTTP exchange (no XML headers, no XML check): the answer text, empty on any failure.
using RawRequest = std::function<std::string(std::string_view method, std::string_view url,
                                             std::string_view body)>;

// What a line needs from the rest of the program; the composition root wires it.
struct LineEnvironment {
  runtime::Clock* clock = &runtime::RealClock();
  // The keep-alive worker's pace between checks.
  runtime::Duration keepInterval = runtime::Pace{}.lineKeepInterval;
  // The transport in raw mode, for the portal login.
  RawRequest rawRequest;
  // The public page whose request the portal intercepts.
  std::string portalProbeUrl;
  // The interface index of a network connection by name (0: none).
  std::function<std::uint32_t(const std::string& connectionName)> connectionAdapterIndex;
  // Portal forms are encoded in it.
  platform::CodePage codePage = platform::SystemCodePage();
  // The keep-alive worker's thread: a kept line came up, was lost or failed to dial (once per
  // change); none: nobody is told.
  std::function<void(const LineNews& news)> lineNews;
};

}  // namespace kelbrin::lines
