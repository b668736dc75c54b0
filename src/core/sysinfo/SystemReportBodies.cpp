#include "sysinfo/SystemReportBodies.h"

#include "protocol/TPostNetworkInfoReq.h"
#include "protocol/TPostSystemInfoReq.h"

namespace kelbrin::sysinfo {

std::string SystemReportBody(const TSysInfo& sysInfo, const ReportAccount& account) {
  protocol::TPostSystemInfoReq request;
  request.MsgType = "PostSystemInfoReq";
  request.Version = "1.0";
  request.UserName = account.UserName;
  request.UserPwd = account.UserPwd;
  protocol::TSystemInfoSchema& info = request.SystemInfo;
  info.OSVersion = sysInfo.GetOSVersion();
  info.PackInfo = "unknow";
  info.IISVersion = sysInfo.GetIISVersion();
  info.MemoryInfo = KbText(sysInfo.GetTotalMemoryKB()) + "/" + KbText(sysInfo.GetAvailMemoryKB());
  TCpuInfoArray cpus;
  sysInfo.GetCPUList(cpus);
  for (std::size_t i = 0; i < cpus.size(); ++i) {
    const char* separator = i > 0 ? ";" : "";
    info.CPUVersion += separator + cpus[i].Name;
    info.CPUFreq += separator + std::to_string(cpus[i].MHz) + " MHZ";
  }
  return request.ToXml();
}

std::string NetworkReportBody(const std::vector<TRConnInfo>& table, const ReportAccount& account) {
  protocol::TPostNetworkInfoReq request;
  request.MsgType = "PostNetworkInfoReq";
  request.Version = "1.0";
  request.UserName = account.UserName;
  request.UserPwd = account.UserPwd;
  for (const TRConnInfo& entry : table) {
    request.NetworkInfos.push_back(
        protocol::TNetworkInfoSchema{entry.ConnName, entry.HardWare, entry.MacAddr, entry.DHCPRun,
                                     entry.IPAddr, entry.SubMask, entry.Gateway, entry.DNSServer});
  }
  return request.ToXml();
}

}  // namespace kelbrin::sysinfo
