#include "lines/TAuthTrd.h"

#include "lines/PortalForm.h"

namespace kelbrin::lines {

TAuthTrd::TAuthTrd(RawRequest request, std::string probeUrl, std::string userName,
                   std::string password, platform::CodePage codePage)
    : thread_([this, request = std::move(request), probeUrl = std::move(probeUrl),
               userName = std::move(userName), password = std::move(password),
               codePage = std::move(codePage)] {
        result_.store(Login(request, probeUrl, userName, password, codePage));
        finished_.store(true);
      }) {}

TAuthTrd::~TAuthTrd() {
  if (thread_.joinable()) thread_.join();
}

int TAuthTrd::Login(const RawRequest& request, const std::string& probeUrl,
                    const std::string& userName, const std::string& password,
                    const platform::CodePage& codePage) {
  try {
    const std::string page = request("GET", probeUrl, "");
    const auto form = ExtractForm(page);
    if (!form) return 0;
    const auto action = ParseFormAction(*form);
    if (!action) return 0;
    const std::string body = BuildFormData(*form, userName, password, codePage);
    const std::string answer =
        request("POST", "http://" + action->host + ":" + action->port + action->path, body);
    return answer.find("Login Failure") != std::string::npos ? -1 : 0;
  } catch (...) {
    return 0;  // any failure ends the attempt quietly; the next connection failure retries
  }
}

}  // namespace kelbrin::lines
