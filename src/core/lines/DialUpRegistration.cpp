#include "lines/DialUpRegistration.h"

namespace kelbrin::lines {

void RegisterDialUp(TLineFactory& factory, TDailLineSeams seams) {
  factory.RegisterClass("TDailLine",
                        [seams = std::move(seams)](const LineEnvironment& environment) {
                          return std::make_unique<TDailLine>(environment, seams);
                        });
}

std::vector<platform::NetConnection> DialUpConnections(const platform::DialUpPhonebook& phonebook) {
  std::vector<std::string> entries;
  if (phonebook.Entries(entries) != 0) return {};
  const auto links = phonebook.Links();
  std::vector<platform::NetConnection> connections;
  for (auto& entry : entries) {
    int index = 0;
    for (const auto& link : links) {
      if (link.entry == entry && link.connected) {
        index = static_cast<int>(platform::InterfaceIndex(link.interface));
        break;
      }
    }
    connections.push_back({std::move(entry), index});
  }
  return connections;
}

}  // namespace kelbrin::lines
