// Feeds arbitrary text to the reply parsers. The first byte picks the reply class, the rest is
// the reply text. Beyond memory safety it checks the loading rule: text that does not load must
// leave the object untouched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/TActiveTestResp.h"
#include "protocol/TBaseResp.h"
#include "protocol/TGetServiceListResp.h"
#include "protocol/TGetVersionResp.h"
#include "protocol/TQueryUserProfileResp.h"

namespace {

using namespace kelbrin::protocol;

template <typename Reply>
void Check(const std::string& text) {
  Reply reply;
  reply.Result = "unchanged";
  reply.MsgType = "unchanged";
  if (!reply.ParseXml(text) && (reply.Result != "unchanged" || reply.MsgType != "unchanged")) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 5) {
    case 0:
      Check<TBaseResp>(text);
      break;
    case 1:
      Check<TActiveTestResp>(text);
      break;
    case 2:
      Check<TGetServiceListResp>(text);
      break;
    case 3:
      Check<TQueryUserProfileResp>(text);
      break;
    default:
      Check<TGetVersionResp>(text);
      break;
  }
  return 0;
}
