#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelbrin::reference_service {

// Element names of the records the service sends, in the order they appear in a reply.
inline constexpr std::array<std::string_view, 13> kProfileFields{
    "UserName", "UserPwd", "Question", "Answer",  "Email",          "RealName", "Address",
    "PostCode", "Phone1",  "Phone2",   "PayType", "ServiceEndDate", "UserID"};
inline constexpr std::array<std::string_view, 13> kDomainFields{
    "DomainName",      "SuffixName",      "OnlineOpt",
    "OnlineStaticIP",  "OnlineTransURL",  "OfflineOpt",
    "OfflineStaticIP", "OfflineTransURL", "TTL",
    "StartDate",       "EndDate",         "Status",
    "DomainStatus"};
inline constexpr std::array<std::string_view, 4> kResourceFields{"ResourceType", "KeyName",
                                                                 "KeyValue", "TransURL"};

// Element name -> text; a field that is absent is sent as an empty element.
using Fields = std::map<std::string, std::string, std::less<>>;

struct Domain {
  Fields fields;
  std::vector<Fields> resources;
};

struct Account {
  Fields profile;  // holds UserName and UserPwd, which are also the credentials
  std::optional<std::string> refuseWith;  // Result code for every request of this account
  std::vector<Domain> domains;

  const std::string& UserName() const { return profile.find("UserName")->second; }
  const std::string& Password() const { return profile.find("UserPwd")->second; }
};

// The accounts the service knows, loaded once at start and read-only afterwards (so the request
// threads share it without a lock).
class AccountBook {
 public:
  // Reads the data file; values "today", "today+N" and "today-N" become that date (relative to
  // `today`) as yyyymmdd. Throws std::runtime_error naming the file and the fault.
  static AccountBook Load(const std::filesystem::path& file, std::chrono::year_month_day today);

  const Account* Find(std::string_view userName) const;
  std::size_t size() const { return accounts_.size(); }

 private:
  std::vector<Account> accounts_;
};

// Today's date in the local time zone.
std::chrono::year_month_day LocalToday();

// yyyymmdd, the date form of every record.
std::string YmdText(std::chrono::year_month_day date);

}  // namespace kelbrin::reference_service
