// CPU time of the client per active test, over http and over https side by side: each exchange
// connects, (for https) handshakes, sends ActiveTestReq and parses the reply. The first https
// handshake verifies the certificate against a trust store as large as the system's; the next
// ones resume its session where the server takes it (the count is printed). The servers are
// threads of this process; only the exchanging thread's CPU time is counted.
//
//   bench_active_test_cpu [--runs N]     (default 200 active tests each way)
//
// The target: https within 2x of http.
#include <time.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "LocalHttpServer.h"
#include "LocalTlsServer.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "TestCertificateAuthority.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"

namespace {

using kelbrin::protocol::PelmarClient;

constexpr const char* kSystemBundle = "/etc/ssl/certs/ca-certificates.crt";

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// CPU milliseconds per accepted active test against `url`; nullopt when one fails.
std::optional<double> CpuPerActiveTest(const std::string& url, int runs) {
  kelbrin::protocol::HttpTransport transport;
  PelmarClient client(transport);
  client.SetEndpoint(url);
  kelbrin::protocol::TActiveTestResp response;
  if (!client.ActiveTest({"demo01", "demo-pass"}, response).Accepted()) return std::nullopt;
  const double start = ThreadCpuMs();
  for (int i = 0; i < runs; ++i) {
    if (!client.ActiveTest({"demo01", "demo-pass"}, response).Accepted()) return std::nullopt;
  }
  return (ThreadCpuMs() - start) / runs;
}

std::optional<int> ParseRuns(int argc, char** argv) {
  if (argc == 1) return 200;
  if (argc != 3 || std::string_view(argv[1]) != "--runs") return std::nullopt;
  int runs = 0;
  const std::string_view text = argv[2];
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), runs);
  if (ec != std::errc() || end != text.data() + text.size() || runs < 1) return std::nullopt;
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<int> runs = ParseRuns(argc, argv);
  if (!runs) {
    std::cerr << "usage: bench_active_test_cpu [--runs N]\n";
    return 64;
  }
  kelbrin::test::TempDir dir;
  kelbrin::test::TestCertificateAuthority authority;
  // The system's bundle and the test authority: loading it costs what the real store costs.
  const std::filesystem::path bundle = dir.path() / "bundle.pem";
  {
    std::ofstream out(bundle);
    out << std::ifstream(kSystemBundle).rdbuf()
        << std::ifstream(authority.certificateFile()).rdbuf();
  }
  const kelbrin::test::ScopedEnv trust("SSL_CERT_FILE", bundle.string());
  const kelbrin::test::ScopedEnv noDir("SSL_CERT_DIR", std::nullopt);

  kelbrin::test::LocalHttpServer origin;
  origin.setReply({.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><PelmarPacket>"
                           "<MsgType>ActiveTestResp</MsgType><Version>1.0</Version>"
                           "<Result>0</Result><UserIP>127.0.0.1</UserIP></PelmarPacket>"});
  const kelbrin::test::LocalTlsServer front(
      authority.issue({.dnsNames = {"localhost"}, .ipAddresses = {"127.0.0.1"}}), origin.port());

  const std::optional<double> http = CpuPerActiveTest(origin.url(), *runs);
  const std::optional<double> https = CpuPerActiveTest(front.url(), *runs);
  if (!http || !https) {
    std::cerr << "an active test failed\n";
    return 1;
  }
  std::cout << "CPU per active test (exchanging thread), " << *runs << " each\n"
            << "http:  " << *http << " ms\n"
            << "https: " << *https << " ms (" << *https / *http << "x http; target at most 2x), "
            << front.resumedHandshakes() << " of " << front.handshakes() << " handshakes resumed\n";
  return 0;
}
