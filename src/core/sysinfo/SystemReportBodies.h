#pragma once

#include <string>
#include <vector>

#include "sysinfo/ReportSeams.h"
#include "sysinfo/TSysInfo.h"

namespace kelbrin::sysinfo {

// The PostSystemInfoReq document for this machine: the version text, "unknow", the web-server
// text, total "/" available memory in KB, the processors' names and clocks joined with ";".
// Throws what the collector throws (a processor without a clock).
std::string SystemReportBody(const TSysInfo& sysInfo, const ReportAccount& account);

// The PostNetworkInfoReq document with one NetworkInfo per entry of `table`, in its order.
std::string NetworkReportBody(const std::vector<TRConnInfo>& table, const ReportAccount& account);

}  // namespace kelbrin::sysinfo
