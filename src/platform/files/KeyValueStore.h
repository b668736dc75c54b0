#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/files/KeyValueFormat.h"

namespace kelbrin::platform {

// A small file of named text values (the settings store; see KeyValueFormat.h for its text).
// The file holds passwords: it is always written with mode 0600, and its folder, when the store
// creates it, gets 0700; a folder every user may write to is refused (SettingsFolder.h). Every change rewrites the whole file atomically (AtomicFile.h), so a
// crash never leaves it truncated. Changes are read-modify-write under a lock held across the
// process (a mutex) and across processes (flock on the folder), so no concurrent change is lost.
class KeyValueStore {
 public:
  explicit KeyValueStore(std::filesystem::path file) : file_(std::move(file)) {}

  const std::filesystem::path& File() const { return file_; }

  // Every value; empty when the file is missing, unreadable or not a settings file. Never throws.
  KeyValues ReadAll() const;
  // One value; nullopt when it is absent. Never throws.
  std::optional<std::string> Read(const std::string& name) const;

  // Stores `text` under `name`, keeping the other values; creates the File (and its folder) when
  // missing. Throws std::invalid_argument for a name the file cannot hold, std::runtime_error for
  // a folder every user may write to, std::system_error (naming the file) when the change cannot
  // be written; the old file then stays as it was.
  void Write(const std::string& name, const std::string& text);

  // Stores every value of `changes` the same way, in one atomic replace: a reader or a crash sees
  // either none of them or all of them. Throws like write; nothing is written then.
  void WriteAll(const KeyValues& changes);

 private:
  std::filesystem::path file_;
};

}  // namespace kelbrin::platform
