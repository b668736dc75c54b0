#include "session/StringTable.h"

#include "runtime/Translate.h"

namespace kelbrin::session {

namespace {

// KELBRIN_DEFAULT_SERVICE_HOST is a build option (see the top-level CMakeLists.txt).
constexpr const char* kHost = KELBRIN_DEFAULT_SERVICE_HOST;

std::string Site(const char* rest) { return std::string("http://") + kHost + rest; }
std::string SupportMail() { return std::string("support@") + kHost; }

}  // namespace

std::string LoadTableString(int entry) {
  switch (entry) {
    case kRegisterEntry:
      return Site("/client?101");
    case kPaymentEntry:
      return Site("/client?104");
    case kTechnicalSupportEntry:
      return Site("/client?201");
    case kDomainRegisterEntry:
      return Site("/client?102");
    case kDomainTransferEntry:
      return Site("/client?202");
    case kTechniqueBbsEntry:
      return Site("/client?203");
    case kOtherServiceEntry:
      return Site("/client?205");
    case kPasswordCallbackEntry:
      return Site("/client?106");
    case kModifyPasswordEntry:
      return Site("/client?105");
    case kVersionCheckEntry:
      return Site("/client?107");
    case kSuggestionMailEntry:
      return "mailto:" + SupportMail();
    case kContractEntry:
      return Site("/client?208");
    case kWhySubmitEntry:
      return Site("/client?207");
    case kAdvancedServiceEntry:
      return Site("/client/advservice.asp");
    case kRecommendEntry:
      return Site("/client?206");
    case kServiceEndpointEntry:
      return Site("/pelmar/pelmar.dll/");
    case kSupportMailEntry:
      return SupportMail();
    case kWebAddressEntry:
      return Site("");
    case kLanOnlyTipEntry:
      return runtime::Translatable(
          "IP is the LAN one,that means ,you have to map ports of the outer gateway to the "
          "host.");
    case kValidIpTipEntry:
      return runtime::Translatable("Your IP is valid,and you enjoy Kelbrin services!");
    case kMapPortsCaptionEntry:
      return runtime::Translatable("How to map ports? ");
    case kMapPortsAddressEntry:
      return std::string(kHost) + "/client?204";
    case kPaymentNoticeCaptionEntry:
      return runtime::Translatable("Payment Notice...");
    case kDomainPageAddressEntry:
      return std::string(kHost) + "/client?103";
    case kConsentTextEntry:
      return runtime::Translatable(
          "In order to offer you the best service,this software will collect the system "
          "information of you, and you can close this function by the section as below.");
    default:
      return {};
  }
}

}  // namespace kelbrin::session
