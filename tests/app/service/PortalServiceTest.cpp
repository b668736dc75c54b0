// `kelbrin-client --service` with a stored "Web Authorization" line, end to end inside a network
// namespace of the test's own: a captive portal on the far end of a veth pair intercepts the probe
// address, and the reference service runs on the namespace's loopback. Needs root.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "NetNamespace.h"
#include "ReferenceService.h"
#include "ChildRun.h"
#include "TempDir.h"
#include "settings/PubUtil.h"

namespace {

using kelbrin::test::EndWithin;
using kelbrin::test::ReadFile;
using kelbrin::test::StartProgram;
using kelbrin::test::WaitUntil;

using namespace std::chrono_literals;
using kelbrin::test::NetNamespace;

constexpr const char* kClientSide = "kps0";
constexpr const char* kPortalAddress = "10.89.0.1";
// Every wait is bounded: the service runs at a hundredth of the real pace (an active test every
// 400 ms), so each of these steps takes well under a second.
constexpr auto kWait = 8s;

// The login form's body for line user "kelbrin7" and line password "pa ss!".
constexpr const char* kExpectedBody =
    "Token=AbC%2B%2F%3D9&uid=kelbrin7&upwd=pa+ss%21&uact_status=1&go=Log+In";

// A captive portal: the probe gets the login form, the form's action takes the posted login. Each
// post notes how many active tests the reference service had journalled when it arrived.
class Portal {
 public:
  explicit Portal(std::function<int()> activeTestsSoFar)
      : activeTestsSoFar_(std::move(activeTestsSoFar)) {
    server_.Get("/probe", [this](const httplib::Request&, httplib::Response& response) {
      response.set_content(Page(), "text/html");
    });
    server_.Post("/Auth/Login",
                 [this](const httplib::Request& request, httplib::Response& response) {
                   const int activeTests = activeTestsSoFar_();
                   {
                     std::lock_guard guard(mutex_);
                     posts_.push_back({request.body, activeTests});
                   }
                   arrived_.notify_all();
                   response.set_content("<html>Welcome</html>", "text/html");
                 });
    port_ = server_.bind_to_any_port(kPortalAddress);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // A stop before the accept loop runs would be lost and leave the loop running for ever.
    while (port_ > 0 && !server_.is_running()) std::this_thread::sleep_for(1ms);
  }
  ~Portal() {
    server_.stop();
    thread_.join();
  }

  struct Post {
    std::string body;
    int activeTestsBefore;
  };

  bool Listening() const { return port_ > 0; }
  std::string ProbeUrl() const { return Base() + "/probe"; }
  bool WaitForPosts(std::size_t count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, kWait, [&] { return posts_.size() >= count; });
  }
  std::vector<Post> Posts() {
    std::lock_guard guard(mutex_);
    return posts_;
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

  std::function<int()> activeTestsSoFar_;
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Post> posts_;
};

// The client's veth end carries the connection; the portal is the other end and the gateway.
void MakePortalNetwork() {
  ASSERT_TRUE(NetNamespace::Ip({"link", "add", kClientSide, "type", "veth", "peer", "name", "kps1"}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.89.0.2/24", "dev", kClientSide}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", std::string(kPortalAddress) + "/24", "dev", "kps1"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", kClientSide, "up"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kps1", "up"}));
  ASSERT_TRUE(NetNamespace::Ip({"route", "add", "default", "via", kPortalAddress}));
}

class PortalServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  }

  const kelbrin::test::TempDir dir;
  const kelbrin::test::TempDir noTools;  // no nmcli: connections are the interface names
  const std::vector<std::string> environment = {"PATH=" + noTools.path().string(), "NO_PROXY=*",
                                                "no_proxy=*"};
};

TEST_F(PortalServiceTest, LogsInToThePortalBeforeTheFirstActiveTestAndAgainOnResultCodeOne) {
  const bool ran = NetNamespace::Run([&] {
    MakePortalNetwork();
    kelbrin::test::ReferenceService::Options serviceOptions;
    serviceOptions.logFile = dir / "service.log";
    const kelbrin::test::ReferenceService service(serviceOptions);
    Portal portal([&service] { return service.countRequests("ActiveTestReq"); });
    ASSERT_TRUE(portal.Listening());

    // The line as a server stores it: from the command line, the password on standard input.
    std::ofstream(dir / "line-password") << "pa ss!\n";
    const std::string configRoot = (dir / "config").string();
    const pid_t store = StartProgram(KELBRIN_CLIENT_EXECUTABLE, {"--config-root", configRoot, "--store-line", "1",
                                     "--connection", kClientSide, "--line-user", "kelbrin7",
                                     "--line-password-stdin"},
                                    dir / "line-password", dir / "store.stderr", environment);
    ASSERT_GT(store, 0);
    ASSERT_EQ(EndWithin(store, 0, kWait), 0) << ReadFile(dir / "store.stderr");
    kelbrin::settings::SetConfigRoot(dir / "config");
    kelbrin::settings::TPubUtil::WriteRegStrings({{"UserName", "demo01"},
                                                  {"UserPwd", "demo-pass"},
                                                  {"SavePwd", "1"},
                                                  {"PortalProbeUrl", portal.ProbeUrl()}});

    const pid_t client = StartProgram(KELBRIN_CLIENT_EXECUTABLE, {"--service", "--endpoint", service.endpoint(),
                                      "--config-root", configRoot, "--time-scale", "0.01"},
                                     "/dev/null", dir / "service.stderr", environment);
    ASSERT_GT(client, 0);
    const bool loggedIn = portal.WaitForPosts(1);
    const bool tested = WaitUntil([&] { return service.countRequests("ActiveTestReq") >= 1; });

    const std::size_t postsAtStart = portal.Posts().size();

    // A missing reply to an active test is "Connection fails！", not result code 1: no login.
    const int testsBeforeDrop = service.countRequests("ActiveTestReq");
    service.control("drop?msg=ActiveTestReq&count=1");
    const bool droppedAndAnswered = WaitUntil(
        [&] { return service.countRequests("ActiveTestReq") >= testsBeforeDrop + 2; });
    const std::size_t postsAfterDrop = portal.Posts().size();

    // Result code 1 from the service: the portal line posts its form again.
    service.control("result?code=1&msg=ActiveTestReq&count=1");
    const bool again = portal.WaitForPosts(postsAfterDrop + 1);
    EXPECT_EQ(EndWithin(client, SIGTERM, kWait), 0);

    ASSERT_TRUE(loggedIn) << ReadFile(dir / "service.stderr");
    EXPECT_TRUE(tested);
    EXPECT_EQ(postsAtStart, 1u);
    EXPECT_TRUE(droppedAndAnswered);
    EXPECT_EQ(postsAfterDrop, 1u);
    ASSERT_TRUE(again) << ReadFile(dir / "service.stderr");
    const std::vector<Portal::Post> posts = portal.Posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].body, kExpectedBody);
    EXPECT_EQ(posts[0].activeTestsBefore, 0) << "the first active test came before the login";
    EXPECT_EQ(posts[1].body, kExpectedBody);
    std::vector<std::string> outcomes;
    for (const auto& request : service.requests()) {
      if (request.msgType == "ActiveTestReq" && request.outcome != "0") {
        outcomes.push_back(request.outcome);
      }
    }
    EXPECT_EQ(outcomes, (std::vector<std::string>{"dropped", "1"}));
    EXPECT_THAT(ReadFile(dir / "service.stderr"), ::testing::HasSubstr("Connection fails！"));
  });
  EXPECT_TRUE(ran);
}

}  // namespace
