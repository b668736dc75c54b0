#pragma once

#include <string>
#include <vector>

#include "protocol/TGetServiceListResp.h"

namespace kelbrin::app {

// The service list as the bus carries it: rows of kServiceListRowWidth texts, a "domain" row
// with the domain's fields followed by one "record" row per DNS record of that domain.
inline constexpr std::size_t kServiceListRowWidth = 14;
using TextRows = std::vector<std::vector<std::string>>;

TextRows ServiceListRows(const protocol::TGetServiceListResp& list);
// The list again; rows of another shape (a newer service) are passed over.
protocol::TGetServiceListResp ServiceListFromRows(const TextRows& rows);

}  // namespace kelbrin::app
