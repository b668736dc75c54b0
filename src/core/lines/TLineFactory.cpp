#include "lines/TLineFactory.h"

#include "lines/LineAssertion.h"
#include "lines/TCNCLine.h"
#include "lines/TCableModemLine.h"
#include "lines/TLanLine.h"
#include "platform/files/TextTrim.h"
#include "runtime/Translate.h"

namespace kelbrin::lines {
namespace {

constexpr int kLanIndex = 3;

template <typename Line>
TLineFactory::Constructor ConstructorOf() {
  return [](const LineEnvironment& environment) { return std::make_unique<Line>(environment); };
}

}  // namespace

const std::vector<TLineClassInfo>& LineTypeTable() {
  static const std::vector<TLineClassInfo> table = {
      {runtime::Translatable("Virtual Dial-up"), "TDailLine"},
      {runtime::Translatable("Web Authorization"), "TCNCLine"},
      {runtime::Translatable("Cable Modem"), "TCableModemLine"},
      {runtime::Translatable("Lan"), "TLanLine"},
  };
  return table;
}

TLineFactory::TLineFactory(LineEnvironment environment) : environment_(std::move(environment)) {
  RegisterClass("TCNCLine", ConstructorOf<TCNCLine>());
  RegisterClass("TCableModemLine", ConstructorOf<TCableModemLine>());
  RegisterClass("TLanLine", ConstructorOf<TLanLine>());
}

void TLineFactory::RegisterClass(const std::string& className, Constructor constructor) {
  registry_[className] = std::move(constructor);
}

LinePtr TLineFactory::CreateLine(int index) const {
  const auto& table = LineTypeTable();
  if (index < 0 || index >= static_cast<int>(table.size())) return nullptr;
  const auto found = registry_.find(table[static_cast<std::size_t>(index)].className);
  if (found == registry_.end() || !found->second) return nullptr;
  LinePtr line;
  try {
    line.reset(found->second(environment_).release());
  } catch (...) {
    return nullptr;
  }
  if (line) line->Initialize();
  return line;
}

void TLineFactory::GetLineTypeNames(std::vector<std::string>* strings) {
  if (strings == nullptr) throw LineAssertion("LBase", "no list for the line-type names");
  strings->clear();
  for (const auto& row : LineTypeTable()) strings->push_back(row.displayName);
}

void TLineFactory::GetConnectionNames(std::vector<std::string>* strings,
                                      const ConnectionSources& sources) {
  if (strings == nullptr) throw LineAssertion("LBase", "no list for the connection names");
  ListNetworkConnections(*strings, sources);
  std::erase_if(*strings, [](const std::string& name) {
    const std::string trimmed = std::string(platform::Trimmed(name, " "));
    return trimmed == "Create new connection" || trimmed == "Connection wizard";
  });
}

bool TLineFactory::NeedsCredentials(int index) { return index != kLanIndex; }

bool TLineFactory::DialsPhonebookEntry(int index) {
  const auto& table = LineTypeTable();
  return index >= 0 && static_cast<std::size_t>(index) < table.size() &&
         table[static_cast<std::size_t>(index)].className == "TDailLine";
}

}  // namespace kelbrin::lines
