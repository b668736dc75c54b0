#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "NetNamespace.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "lines/NetHelpers.h"
#include "lines/TActiveLine.h"
#include "lines/TAuthTrd.h"
#include "lines/TLineFactory.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"
#include "runtime/ManualClock.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;
using kelbrin::test::NetNamespace;

constexpr const char* kPortalAddress = "10.88.0.1";

// A captive portal inside the test's namespace: any page request gets the login form, the form's
// action takes the posted login.
class PortalServer {
 public:
  PortalServer() {
    server_.Get("/probe", [this](const httplib::Request&, httplib::Response& response) {
      Record("GET /probe", "");
      response.set_content(Page(), "text/html");
    });
    server_.Post("/Auth/Login",
                 [this](const httplib::Request& request, httplib::Response& response) {
                   Record("POST /Auth/Login", request.body);
                   std::lock_guard guard(mutex_);
                   response.set_content(answer_, "text/html");
                 });
    port_ = server_.bind_to_any_port(kPortalAddress);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // A stop before the accept loop runs would be lost and leave the loop running for ever.
    while (port_ > 0 && !server_.is_running()) std::this_thread::sleep_for(1ms);
  }
  ~PortalServer() {
    server_.stop();
    thread_.join();
  }

  bool Listening() const { return port_ > 0; }
  std::string ProbeUrl() const { return Base() + "/probe"; }
  void SetAnswer(std::string answer) {
    std::lock_guard guard(mutex_);
    answer_ = std::move(answer);
  }
  std::vector<std::pair<std::string, std::string>> Requests() {
    std::lock_guard guard(mutex_);
    return requests_;
  }
  bool WaitForRequests(std::size_t count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, 20s, [&] { return requests_.size() >= count; });
  }

 private:
  std::string Base() const {
    return "http://" + std::string(kPortalAddress) + ":" + std::to_string(port_);
  }
  std::string Page() const {
    return "<HTML><BODY><P>Please log in</P>\n"
           "<FORM name=login METHOD=POST ACTION=\"" +
           Base() +
           "/Auth/Login\">\n"
           "<INPUT type=hidden name=\"Token\" value=\"AbC+/=9\">\n"
           "<input type=\"text\" name=\"uid\" value=\"\">\n"
           "<input type=\"password\" name=\"upwd\">\n"
           "<input type=hidden name=uact_status value=\"0\">\n"
           "<input type=submit name=go value=\"Log In\">\n"
           "</FORM></BODY></HTML>\n";
  }
  void Record(std::string line, std::string body) {
    std::lock_guard guard(mutex_);
    requests_.emplace_back(std::move(line), std::move(body));
    arrived_.notify_all();
  }

  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::string answer_ = "<html>Welcome</html>";
  std::vector<std::pair<std::string, std::string>> requests_;
};

// The body for user "用户" and password "pa ss!", in GBK.
constexpr const char* kExpectedBody =
    "Token=AbC%2B%2F%3D9&uid=%D3%C3%BB%A7&upwd=pa+ss%21&uact_status=1&go=Log+In";

// Two veth ends: kp0 is the client's connection, kp1 the portal's side.
void MakePortalNetwork() {
  ASSERT_TRUE(NetNamespace::Ip({"link", "add", "kp0", "type", "veth", "peer", "name", "kp1"}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.88.0.2/24", "dev", "kp0"}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", std::string(kPortalAddress) + "/24", "dev", "kp1"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kp0", "up"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kp1", "up"}));
  ASSERT_TRUE(NetNamespace::Ip({"route", "add", "default", "via", kPortalAddress, "dev", "kp0"}));
}

class PortalLogin : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  }

  LineEnvironment Environment(const std::string& probeUrl) {
    LineEnvironment environment;
    environment.clock = &clock_;
    environment.portalProbeUrl = probeUrl;
    environment.codePage = platform::CodePage::Named("GBK");
    environment.rawRequest = [this](std::string_view method, std::string_view url,
                                    std::string_view body) {
      return pelmar_.RawExchange(method, url, body);
    };
    environment.connectionAdapterIndex = [](const std::string& name) {
      return ConnectionAdapterIndex(name, ConnectionSources{});
    };
    return environment;
  }

  kelbrin::test::TempDir noNmcli_;
  kelbrin::test::ScopedEnv path_{"PATH", noNmcli_.path().string()};
  kelbrin::test::ScopedEnv noProxy_{"NO_PROXY", std::string("*")};
  runtime::ManualClock clock_;
  protocol::HttpTransport transport_;
  protocol::PelmarClient pelmar_{transport_};
};

TEST_F(PortalLogin, PostsTheFormOnStartAndAgainOnAConnectionFailure) {
  const bool ran = NetNamespace::Run([&] {
    MakePortalNetwork();
    PortalServer portal;
    ASSERT_TRUE(portal.Listening());
    const TLineFactory factory(Environment(portal.ProbeUrl()));
    TActiveLine holder(factory);

    holder.StartLine(1, "KP0", "pa ss!", "用户");  // the connection's name in other letter case
    ASSERT_TRUE(portal.WaitForRequests(2));
    EXPECT_TRUE(holder.Authenticate());  // the service answered result code 1
    ASSERT_TRUE(portal.WaitForRequests(4));
    holder.FreeLine();

    const std::vector<std::pair<std::string, std::string>> expected{
        {"GET /probe", ""},
        {"POST /Auth/Login", kExpectedBody},
        {"GET /probe", ""},
        {"POST /Auth/Login", kExpectedBody}};
    EXPECT_EQ(portal.Requests(), expected);
  });
  EXPECT_TRUE(ran);
}

TEST_F(PortalLogin, NoAdapterForTheConnectionMeansNoLogin) {
  const bool ran = NetNamespace::Run([&] {
    MakePortalNetwork();
    PortalServer portal;
    const TLineFactory factory(Environment(portal.ProbeUrl()));
    TActiveLine holder(factory);
    holder.StartLine(1, "Office LAN", "pw", "user");
    EXPECT_TRUE(holder.Authenticate());
    holder.FreeLine();  // would wait for any login started
    EXPECT_TRUE(portal.Requests().empty());
  });
  EXPECT_TRUE(ran);
}

TEST_F(PortalLogin, LoginFailureEndsTheAttemptSilently) {
  const bool ran = NetNamespace::Run([&] {
    MakePortalNetwork();
    PortalServer portal;
    const LineEnvironment environment = Environment(portal.ProbeUrl());
    portal.SetAnswer("<html><b>Login Failure</b>: wrong password</html>");
    {
      TAuthTrd login(environment.rawRequest, environment.portalProbeUrl, "用户", "pa ss!",
                     environment.codePage);
      ASSERT_TRUE(portal.WaitForRequests(2));
      while (!login.Finished()) std::this_thread::yield();  // the answer is being read
      EXPECT_EQ(login.Result(), -1);
    }
    EXPECT_EQ(portal.Requests().size(), 2u);  // no retry of its own
    EXPECT_EQ(portal.Requests()[1].second, kExpectedBody);

    portal.SetAnswer("<html>login failure</html>");  // the marker is case-sensitive
    EXPECT_EQ(TAuthTrd::Login(environment.rawRequest, environment.portalProbeUrl, "u", "p",
                              environment.codePage),
              0);
  });
  EXPECT_TRUE(ran);
}

TEST(PortalLoginSteps, NoFormOrNoActionMeansNoPost) {
  struct Case {
    const char* page;
    std::size_t requests;
    int result;
  };
  const Case cases[] = {
      {"", 1, 0},  // the GET failed
      {"<html>no form</html>", 1, 0},
      {"<form method=post><input name=uid></form>", 1, 0},        // no action
      {"<form action=\"/login\"><input name=uid></form>", 1, 0},  // no host
      {"<form action=\"http://10.9.9.9/in\"><input name=uid></form>", 2, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> seen;
    const RawRequest request = [&](std::string_view method, std::string_view url,
                                   std::string_view body) {
      seen.push_back(std::string(method) + " " + std::string(url) + " " + std::string(body));
      return method == "GET" ? std::string(c.page) : std::string("Login Failure");
    };
    EXPECT_EQ(TAuthTrd::Login(request, "http://probe.test/", "u", "p",
                              platform::CodePage::Named("UTF-8")),
              c.requests == 2 ? -1 : c.result)
        << c.page;
    EXPECT_EQ(seen.size(), c.requests) << c.page;
    if (c.requests == 2) {
      EXPECT_EQ(seen[1], "POST http://10.9.9.9:80/in uid=u");
    }
  }
  const RawRequest failing = [](std::string_view, std::string_view,
                                std::string_view) -> std::string {
    throw std::runtime_error("transport broke");
  };
  EXPECT_EQ(
      TAuthTrd::Login(failing, "http://probe.test/", "u", "p", platform::CodePage::Named("UTF-8")),
      0);
}

}  // namespace
}  // namespace kelbrin::lines
