#include "ReferenceServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <charconv>
#include <filesystem>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kelbrin::reference_service {
namespace {

constexpr const char* kTextType = "text/plain; charset=UTF-8";

// Control reports by the name tests use in the path.
constexpr std::pair<const char*, const char*> kReportKinds[] = {{"system", "PostSystemInfoReq"},
                                                                {"network", "PostNetworkInfoReq"}};

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family != AF_INET) return -1;
  return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

// Shuts the connection `request` came on, so that the client gets no reply at all. httplib does
// not hand out the socket, so it is found among the open descriptors by the ports of its ends.
void DropConnection(const httplib::Request& request) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
    const std::string name = entry.path().filename().string();
    int fd = -1;
    std::from_chars(name.data(), name.data() + name.size(), fd);
    sockaddr_storage local{};
    sockaddr_storage peer{};
    socklen_t localSize = sizeof local;
    socklen_t peerSize = sizeof peer;
    if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
      continue;
    }
    if (PortOf(local) == request.local_port && PortOf(peer) == request.remote_port) {
      shutdown(fd, SHUT_RDWR);
      return;
    }
  }
}

// A field of a /control/requests line, kept free of the tab and line separators.
std::string ListField(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

ReferenceServer::ReferenceServer(const AccountBook& accounts, std::ostream& log)
    : journal_(log), handler_(accounts, journal_) {
  const std::string pelmarPattern = R"(/pelmar/pelmar\.dll/)";
  server_.Post(pelmarPattern,
               [this](const auto& request, auto& response) { HandlePelmar(request, response); });
  const auto control = [this](const auto& request, auto& response) {
    HandleControl(request, response);
  };
  server_.Get("/control/(.*)", control);
  server_.Post("/control/(.*)", control);
  const auto other = [this](const auto& request, auto& response) {
    HandleOther(request, response);
  };
  server_.Get(".*", other);
  server_.Post(".*", other);
  server_.Put(".*", other);
  server_.Patch(".*", other);
  server_.Delete(".*", other);
  server_.Options(".*", other);
}

int ReferenceServer::Bind(int port) {
  if (port == 0) return server_.bind_to_any_port(kHost);
  return server_.bind_to_port(kHost, port) ? port : -1;
}

bool ReferenceServer::Serve() { return server_.listen_after_bind(); }

void ReferenceServer::Stop() { server_.stop(); }

void ReferenceServer::HandlePelmar(const httplib::Request& request, httplib::Response& response) {
  const std::optional<PelmarRequest> pelmar = PelmarHandler::Parse(request.body);
  RequestRecord record{request.method, request.path, pelmar ? pelmar->msgType : "",
                       pelmar ? pelmar->userName : "", ""};
  const FaultPlan plan = faults_.Take(record.msgType);
  if (plan.delay.count() > 0) std::this_thread::sleep_for(plan.delay);

  if (plan.dropConnection) {
    record.outcome = "dropped";
    journal_.Record(request.remote_addr, std::move(record));  // before the client can look
    DropConnection(request);
    return;
  }
  if (!pelmar) {
    response.status = 400;
    response.set_content("the body is not a PelmarPacket document\n", kTextType);
    record.outcome = "http-400";
    journal_.Record(request.remote_addr, std::move(record));
    return;
  }

  PelmarReply reply = handler_.Answer(*pelmar, request.remote_addr, plan);
  record.outcome = reply.result;
  if (plan.malformedXml) {
    reply.xml.erase(reply.xml.rfind("</PelmarPacket>"));
    record.outcome = "malformed";
  }
  if (plan.httpStatus) {
    response.status = *plan.httpStatus;
    record.outcome = "http-" + std::to_string(*plan.httpStatus);
  }
  response.set_content(reply.xml, "text/xml; charset=UTF-8");
  journal_.Record(request.remote_addr, std::move(record));
}

void ReferenceServer::HandleControl(const httplib::Request& request, httplib::Response& response) {
  const std::string command = request.matches[1];
  if (command == "reset") {
    faults_.Reset();
    journal_.Clear();
  } else if (command == "requests") {
    return response.set_content(RequestsText(), kTextType);
  } else if (command == "reports") {
    return response.set_content(ReportsXml(), "text/xml; charset=UTF-8");
  } else if (command.starts_with("reports/")) {
    for (const auto& [name, msgType] : kReportKinds) {
      if (command == std::string("reports/") + name) {
        if (std::optional<std::string> body = journal_.Report(msgType)) {
          return response.set_content(*body, "text/xml; charset=UTF-8");
        }
      }
    }
    response.status = 404;
    return response.set_content("no such report yet\n", kTextType);
  } else {
    try {
      if (!faults_.Arm(command, request.params)) {
        response.status = 404;
        return response.set_content("unknown control " + command + "\n", kTextType);
      }
    } catch (const std::invalid_argument& error) {
      response.status = 400;
      return response.set_content(std::string(error.what()) + "\n", kTextType);
    }
  }
  response.set_content("ok\n", kTextType);
}

void ReferenceServer::HandleOther(const httplib::Request& request, httplib::Response& response) {
  response.status = request.path == kPelmarPath ? 405 : 404;
  journal_.Record(request.remote_addr, {request.method, request.path, "", "",
                                        "http-" + std::to_string(response.status)});
}

// One line per request: method, path, MsgType, user and outcome, separated by tabs.
std::string ReferenceServer::RequestsText() const {
  std::string text;
  for (const RequestRecord& record : journal_.Requests()) {
    text += ListField(record.method) + '\t' + ListField(record.path) + '\t' +
            ListField(record.msgType) + '\t' + ListField(record.user) + '\t' +
            ListField(record.outcome) + '\n';
  }
  return text;
}

// <Reports> holding a copy of each kept report document, system report first.
std::string ReferenceServer::ReportsXml() const {
  pugi::xml_document document;
  pugi::xml_node reports = document.append_child("Reports");
  for (const auto& [name, msgType] : kReportKinds) {
    if (std::optional<std::string> body = journal_.Report(msgType)) {
      pugi::xml_document report;
      if (report.load_buffer(body->data(), body->size(), pugi::parse_default,
                             pugi::encoding_utf8)) {
        reports.append_copy(report.document_element());
      }
    }
  }
  std::ostringstream text;
  document.save(text, "", pugi::format_raw, pugi::encoding_utf8);
  return text.str();
}

}  // namespace kelbrin::reference_service
