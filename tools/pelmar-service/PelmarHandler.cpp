#include "PelmarHandler.h"

#include <pugixml.hpp>
#include <sstream>
#include <string_view>

namespace kelbrin::reference_service {
namespace {

constexpr const char* kSuccess = "0";
constexpr const char* kUnknownUser = "100";
constexpr const char* kWrongPassword = "102";
constexpr const char* kBadUserType = "110";

constexpr std::string_view kKnownKinds[] = {"QueryUserProfileReq", "ActiveTestReq",
                                            "GetServiceListReq",   "GetVersionReq",
                                            "PostSystemInfoReq",   "PostNetworkInfoReq"};

bool IsKnownKind(std::string_view msgType) {
  for (std::string_view kind : kKnownKinds) {
    if (kind == msgType) return true;
  }
  return false;
}

bool IsReport(std::string_view msgType) {
  return msgType == "PostSystemInfoReq" || msgType == "PostNetworkInfoReq";
}

// "ActiveTestReq" -> "ActiveTestResp"; a kind without the Req ending just gains "Resp".
std::string ReplyKind(std::string_view msgType) {
  if (msgType.ends_with("Req")) msgType.remove_suffix(3);
  return std::string(msgType) + "Resp";
}

std::string Trimmed(std::string_view text) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string ValueOf(const Fields& fields, std::string_view name) {
  auto found = fields.find(name);
  return found == fields.end() ? std::string() : found->second;
}

void AppendText(pugi::xml_node parent, std::string_view name, const std::string& text) {
  parent.append_child(std::string(name).c_str()).text().set(text.c_str());
}

// Every field of the list, in order; a field the record lacks is an empty element.
template <std::size_t N>
void AppendFields(pugi::xml_node parent, const std::array<std::string_view, N>& names,
                  const Fields& fields) {
  for (std::string_view name : names) AppendText(parent, name, ValueOf(fields, name));
}

void AppendDomain(pugi::xml_node packet, const Domain& domain) {
  pugi::xml_node element = packet.append_child("DomainInfo");
  AppendFields(element, kDomainFields, domain.fields);
  for (const Fields& resource : domain.resources) {
    AppendFields(element.append_child("ResourceInfo"), kResourceFields, resource);
  }
}

std::string Serialised(const pugi::xml_document& document) {
  std::ostringstream text;
  document.save(text, "", pugi::format_raw, pugi::encoding_utf8);
  return text.str();
}

}  // namespace

std::optional<PelmarRequest> PelmarHandler::Parse(const std::string& body) {
  pugi::xml_document document;
  // The wire is UTF-8 whatever the declaration names (the client's seed names GBK).
  if (!document.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8)) {
    return std::nullopt;
  }
  const pugi::xml_node packet = document.document_element();
  if (std::string_view(packet.name()) != "PelmarPacket") return std::nullopt;
  return PelmarRequest{Trimmed(packet.child("MsgType").text().get()),
                       packet.child("UserName").text().get(), packet.child("UserPwd").text().get(),
                       body};
}

std::string PelmarHandler::ResultFor(const PelmarRequest& request) const {
  if (!IsKnownKind(request.msgType)) return kBadUserType;
  if (request.msgType == "GetVersionReq") return kSuccess;  // carries no credentials
  const Account* account = accounts_.Find(request.userName);
  if (account == nullptr) return kUnknownUser;
  if (account->Password() != request.userPwd) return kWrongPassword;
  if (account->refuseWith) return *account->refuseWith;
  if (request.msgType == "GetServiceListReq" && account->domains.empty()) return kUnknownUser;
  return kSuccess;
}

PelmarReply PelmarHandler::Answer(const PelmarRequest& request, const std::string& peer,
                                  const FaultPlan& plan) {
  const std::string natural = ResultFor(request);
  PelmarReply reply{plan.resultCode.value_or(natural), {}};

  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  pugi::xml_node packet = document.append_child("PelmarPacket");
  AppendText(packet, "MsgType", ReplyKind(request.msgType));
  AppendText(packet, "Version", "1.0");
  AppendText(packet, "Result", reply.result);

  if (natural == kSuccess && reply.result == kSuccess) {
    const std::string& kind = request.msgType;
    const Account* account = accounts_.Find(request.userName);
    if (kind == "QueryUserProfileReq") {
      AppendFields(packet.append_child("UserProfile"), kProfileFields, account->profile);
    } else if (kind == "ActiveTestReq") {
      AppendText(packet, "UserIP", plan.userIp.value_or(peer));
    } else if (kind == "GetServiceListReq") {
      AppendText(packet, "UserID", ValueOf(account->profile, "UserID"));
      for (const Domain& domain : account->domains) AppendDomain(packet, domain);
    } else if (kind == "GetVersionReq") {
      AppendText(packet, "VersionInfo", plan.latestVersion.value_or(kLatestVersion));
      AppendText(packet, "UpdateTime", YmdText(LocalToday()));
    } else if (IsReport(kind)) {
      journal_.KeepReport(kind, request.body);
    }
  }
  reply.xml = Serialised(document);
  return reply;
}

}  // namespace kelbrin::reference_service
