#include "settings/ParamInfoStorage.h"

#include <charconv>
#include <string>

namespace kelbrin::settings {
namespace {

std::int32_t IntegerOrZero(const std::string& text) {
  std::int32_t value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') {
    ++begin;  // "+5" is a number too, "+-5" is not
    if (begin != end && *begin == '-') return 0;
  }
  const auto [stop, error] = std::from_chars(begin, end, value);
  return error == std::errc() && stop == end ? value : 0;
}

const char* Flag(bool set) { return set ? "1" : "0"; }

// "1", or nothing stored at all, means set; every other text means clear.
bool FlagDefaultingOn(SettingsBackend& backend, const std::string& name) {
  const std::string text = backend.ReadValue(name);
  return text == "1" || text.empty();
}

}  // namespace

TParamInfo LoadParamInfo(SettingsBackend& backend) {
  TParamInfo record;
  record.AsService = backend.IsServiceInstalled(kServiceName);
  record.UserName = backend.ReadValue("UserName");
  record.UserPwd = backend.ReadValue("UserPwd");
  record.SavePwd = backend.ReadValue("SavePwd") == "1";
  record.UpdateSysInfo = FlagDefaultingOn(backend, "UpdateSysInfo");
  record.InternalLineType = IntegerOrZero(backend.ReadValue("InternalLineType"));
  record.LineUserName = backend.ReadValue("LineUserName");
  record.LineUserPwd = backend.ReadValue("LineUserPwd");
  record.LineName = backend.ReadValue("LineName");
  record.AutoConn = FlagDefaultingOn(backend, "AutoConn");
  record.ImmediateUpdate = FlagDefaultingOn(backend, "ImmediateUpdate");
  record.AutoRunAsOSStart = backend.ReadValue("AutoRunAsOSStart") == "1";
  // Configuration only: set by hand (or by a test), never written by the client.
  if (std::string probe = backend.ReadValue("PortalProbeUrl"); !probe.empty()) {
    record.PortalProbeUrl = std::move(probe);
  }
  if (record.UserName.empty() && record.UserPwd.empty()) record.SavePwd = false;
  return record;
}

void SaveParamInfo(const TParamInfo& record, SettingsBackend& backend) {
  backend.WriteValues({
      {"UserName", record.UserName},
      {"UserPwd", record.UserPwd},
      {"SavePwd", Flag(record.SavePwd)},
      {"AsService", Flag(record.AsService)},
      {"UpdateSysInfo", Flag(record.UpdateSysInfo)},
      {"AutoRunAsOSStart", Flag(record.AutoRunAsOSStart)},
      {"InternalLineType", std::to_string(record.InternalLineType)},
      {"LineName", record.LineName},
      {"LineUserName", record.LineUserName},
      {"LineUserPwd", record.LineUserPwd},
      {"AutoConn", Flag(record.AutoConn)},
  });
  backend.SetAutorun(record.AutoRunAsOSStart);
}

}  // namespace kelbrin::settings
