#pragma once

#include <string>

namespace kelbrin::session {

// The program's compiled string table, looked up by number. The web addresses point at the
// vendor's site, whose host is a build option (KELBRIN_DEFAULT_SERVICE_HOST); only the endpoint
// (entry 1000) can be overridden at run time, by the caller.
inline constexpr int kRegisterEntry = 101;               // "Register(&R)", the "Register" button
inline constexpr int kPaymentEntry = 201;                // payment-notice link, "Payment(&Z)"
inline constexpr int kTechnicalSupportEntry = 202;       // "Technical Support(&Y)"
inline constexpr int kDomainRegisterEntry = 203;         // "Domain Register(&X)"
inline constexpr int kDomainTransferEntry = 204;         // "Domain Transfer(&W)"
inline constexpr int kTechniqueBbsEntry = 205;           // "Technique bbs (&V)"
inline constexpr int kOtherServiceEntry = 206;           // "Other Service(&U)"
inline constexpr int kPasswordCallbackEntry = 301;       // "Password Callback(&P)"
inline constexpr int kModifyPasswordEntry = 302;         // "Modify Password(&M)"
inline constexpr int kVersionCheckEntry = 303;           // "Version Check  (&C)"
inline constexpr int kSuggestionMailEntry = 401;         // "提交建议(&Z)", an e-mail link
inline constexpr int kContractEntry = 410;               // "the Kelbrin contract"
inline constexpr int kWhySubmitEntry = 411;              // "why to submit my information?"
inline constexpr int kAdvancedServiceEntry = 412;        // base of the "Advanced Service" page
inline constexpr int kRecommendEntry = 501;              // "推荐给朋友(&Y)"
inline constexpr int kServiceEndpointEntry = 1000;       // the protocol endpoint
inline constexpr int kSupportMailEntry = 1001;           // the support e-mail address
inline constexpr int kWebAddressEntry = 1002;            // the vendor's web address
inline constexpr int kLanOnlyTipEntry = 2000;            // network page tip, address behind NAT
inline constexpr int kValidIpTipEntry = 2001;            // network page tip, public address
inline constexpr int kMapPortsCaptionEntry = 2002;       // "How to map ports? "
inline constexpr int kMapPortsAddressEntry = 2003;       // its page, host and path, no scheme
inline constexpr int kPaymentNoticeCaptionEntry = 2011;  // the payment-notice link's caption
inline constexpr int kDomainPageAddressEntry = 3001;     // the domain page's link, no scheme
inline constexpr int kConsentTextEntry = 4001;           // the "Advanced Service" consent text

// The text of `entry` (UTF-8), or the empty string for an entry the table does not hold.
std::string LoadTableString(int entry);

}  // namespace kelbrin::session
