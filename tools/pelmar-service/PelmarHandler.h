#pragma once

#include <optional>
#include <string>

#include "AccountBook.h"
#include "FaultControl.h"
#include "ServiceJournal.h"

namespace kelbrin::reference_service {

// The parts of a request document the service acts on.
struct PelmarRequest {
  std::string msgType;
  std::string userName;
  std::string userPwd;
  std::string body;  // as received, for the reports
};

struct PelmarReply {
  std::string result;  // the Result code sent
  std::string xml;     // the whole reply document, UTF-8
};

// Answers Pelmar messages from the account book: the profile query, the active test, the service
// list, the version query and the two reports. Result codes: 100 unknown user (and a service-list
// request of an account without domains), 102 wrong password, 110 unknown MsgType, or the
// account's own RefuseWith code.
class PelmarHandler {
 public:
  static constexpr const char* kLatestVersion = "6.0";

  PelmarHandler(const AccountBook& accounts, ServiceJournal& journal)
      : accounts_(accounts), journal_(journal) {}

  // The request in `body`; nothing when it is not a well-formed PelmarPacket document.
  static std::optional<PelmarRequest> Parse(const std::string& body);

  // The reply to `request` as seen from `peer`. A scripted result code in `plan` replaces the
  // Result (the reply then carries only its envelope unless the request succeeds with "0"
  // anyway); a scripted UserIP or version replaces the real one. Accepted reports are kept in the
  // journal.
  PelmarReply Answer(const PelmarRequest& request, const std::string& peer, const FaultPlan& plan);

 private:
  std::string ResultFor(const PelmarRequest& request) const;

  const AccountBook& accounts_;
  ServiceJournal& journal_;
};

}  // namespace kelbrin::reference_service
