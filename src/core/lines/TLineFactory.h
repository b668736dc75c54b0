#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lines/LineEnvironment.h"
#include "lines/NetHelpers.h"
#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// One row of the line-type table.
struct TLineClassInfo {
  std::string displayName;
  std::string className;
};

// The line kinds in their fixed order; the row index is the line-type index everywhere
// (InternalLineType, the items of the line-type box).
const std::vector<TLineClassInfo>& LineTypeTable();

// Creates lines by line-type index through a registry of class names, and supplies the lists the
// network page shows. The portal, cable-modem and LAN kinds are registered from the start; the
// dial-up kind ("TDailLine") is added by RegisterClass where the composition root has it.
class TLineFactory {
 public:
  using Constructor = std::function<std::unique_ptr<TBaseLine>(const LineEnvironment&)>;

  explicit TLineFactory(LineEnvironment environment);

  void RegisterClass(const std::string& className, Constructor constructor);

  // A new, initialised line of the kind at `index`; null when the index is outside the table,
  // the class is not registered or its construction fails.
  LinePtr CreateLine(int index) const;

  // Replaces `strings` with the display names of the table, in table order.
  static void GetLineTypeNames(std::vector<std::string>* strings);
  // Replaces `strings` with the machine's connection names, without the shell's pseudo-entries.
  static void GetConnectionNames(std::vector<std::string>* strings,
                                 const ConnectionSources& sources);
  // Whether the kind needs a user name and password: every kind but "Lan".
  static bool NeedsCredentials(int index);
  // Whether the kind dials an entry of the machine's dial-up phonebook (the dial-up kind), so
  // that its connection name must be one of those entries.
  static bool DialsPhonebookEntry(int index);

 private:
  LineEnvironment environment_;
  std::map<std::string, Constructor> registry_;
};

}  // namespace kelbrin::lines
