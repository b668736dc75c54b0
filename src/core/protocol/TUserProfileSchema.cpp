#include "protocol/TUserProfileSchema.h"

#include <utility>

#include "runtime/Translate.h"

namespace kelbrin::protocol {
namespace {

constexpr std::pair<const char*, std::string TUserProfileSchema::*> kFields[] = {
    {"UserName", &TUserProfileSchema::UserName},
    {"UserPwd", &TUserProfileSchema::UserPwd},
    {"Question", &TUserProfileSchema::Question},
    {"Answer", &TUserProfileSchema::Answer},
    {"Email", &TUserProfileSchema::Email},
    {"RealName", &TUserProfileSchema::RealName},
    {"Address", &TUserProfileSchema::Address},
    {"PostCode", &TUserProfileSchema::PostCode},
    {"Phone1", &TUserProfileSchema::Phone1},
    {"Phone2", &TUserProfileSchema::Phone2},
    {"PayType", &TUserProfileSchema::PayType},
    {"ServiceEndDate", &TUserProfileSchema::ServiceEndDate},
    {"UserID", &TUserProfileSchema::UserID},
};

}  // namespace

void TUserProfileSchema::LoadFromDoc(const XmlDocument& document) {
  const pugi::xml_node profile =
      XmlDocument::SelectFirst(document.Root(), "PelmarPacket/UserProfile");
  if (!profile) return;
  for (const auto& [name, field] : kFields)
    XmlDocument::ReadTrimmedText(profile, name, this->*field);
}

std::string_view TUserProfileSchema::PayTypeName(std::string_view payType) {
  if (payType == "0") return runtime::Translatable("Trial user");
  if (payType == "1") return runtime::Translatable("Formal user");
  if (payType == "2") return runtime::Translatable("Overdue User");
  return runtime::Translatable("Unknown");
}

}  // namespace kelbrin::protocol
