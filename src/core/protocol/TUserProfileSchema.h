#pragma once

#include <string>
#include <string_view>

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {

// The subscriber's account, read from the first PelmarPacket/UserProfile of a profile reply.
class TUserProfileSchema {
 public:
  std::string UserName;
  std::string UserPwd;
  std::string Question;
  std::string Answer;
  std::string Email;
  std::string RealName;
  std::string Address;
  std::string PostCode;
  std::string Phone1;
  std::string Phone2;
  std::string PayType;
  std::string ServiceEndDate;
  std::string UserID;

  // Fills the fields from the children of the first UserProfile; a missing element (or a missing
  // UserProfile) keeps the field's value.
  void LoadFromDoc(const XmlDocument& document);

  // "Trial user", "Formal user", "Overdue User" for "0", "1", "2"; "Unknown" for anything else.
  // English, marked for the catalog: translated where shown.
  static std::string_view PayTypeName(std::string_view payType);
};

}  // namespace kelbrin::protocol
