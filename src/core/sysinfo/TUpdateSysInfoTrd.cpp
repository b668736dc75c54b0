#include "sysinfo/TUpdateSysInfoTrd.h"

#include <utility>

#include "protocol/TBaseResp.h"
#include "protocol/Utilities.h"
#include "sysinfo/SystemReportBodies.h"

namespace kelbrin::sysinfo {

TUpdateSysInfoTrd::TUpdateSysInfoTrd(TSysInfo& sysInfo, ReportSeams seams)
    : sysInfo_(sysInfo), seams_(std::move(seams)) {
  thread_ = std::thread([this] { Run(); });
}

TUpdateSysInfoTrd::~TUpdateSysInfoTrd() { thread_.join(); }

void TUpdateSysInfoTrd::Run() {
  try {
    const ReportAccount account = seams_.account();
    PostSystemReport(account);
    try {
      PostNetworkReport(account);
    } catch (...) {
      // Nothing more to report in this run.
    }
  } catch (...) {
    // A fact that cannot be read ends the whole report.
  }
  finished_.store(true);
}

void TUpdateSysInfoTrd::PostSystemReport(const ReportAccount& account) {
  Post(SystemReportBody(sysInfo_, account));
}

void TUpdateSysInfoTrd::PostNetworkReport(const ReportAccount& account) {
  Post(NetworkReportBody(sysInfo_.RefreshConnections(), account));
}

void TUpdateSysInfoTrd::Post(const std::string& body) {
  const std::string reply = seams_.send(body);
  if (reply.empty()) {
    seams_.resultCode(1);
    return;
  }
  protocol::TBaseResp response;
  response.ParseXml(reply);
  if (response.Result != "0") seams_.resultCode(protocol::IntOrDefault(response.Result, 1));
}

}  // namespace kelbrin::sysinfo
