#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/bus/BusValue.h"

namespace kelbrin::app {

// The running client's properties, kept by the service in a small file of its runtime folder, so
// that --status and --health work where no D-Bus is (a container). One "Name=T:value" line per
// property, T its D-Bus type; texts are escaped to one line.

// The file: "status" in the program's runtime folder (platform::ProgramRuntimeFolder), none
// without one. The folder is private to the service's account (0700): root and that account
// read it.
std::optional<std::filesystem::path> StatusFilePath();

std::string StatusFileText(const platform::BusProperties& properties);
// Lines of another form, type or name are passed over.
platform::BusProperties ParseStatusFile(const std::string& text);

// Keeps the status file up to date for the service; says nothing when it cannot (the bus and
// the journal still tell the state). Removed again when the service ends.
class StatusFileWriter {
 public:
  StatusFileWriter();
  ~StatusFileWriter();
  StatusFileWriter(const StatusFileWriter&) = delete;
  StatusFileWriter& operator=(const StatusFileWriter&) = delete;

  void Update(const platform::BusProperties& properties);

 private:
  std::optional<std::filesystem::path> path_;
  std::string written_;
};

}  // namespace kelbrin::app
