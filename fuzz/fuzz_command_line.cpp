// Any argument list through the start-up switches and the option parser: no crash, an error is
// one line, an accepted --time-scale lies in its range, and the options the parser reports are
// what it reports for the same list a second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry/CommandLine.h"
#include "app/entry/StartupSwitches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Arguments are separated by NUL bytes, as in /proc/PID/cmdline.
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    args.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }

  const kelbrin::app::StartupArguments startup = kelbrin::app::SplitStartupArguments(args);
  if (startup.options.size() > args.size()) std::abort();
  const kelbrin::app::ParseResult parsed = kelbrin::app::ParseCommandLine(startup.options);
  if (parsed.error.find('\n') != std::string::npos) std::abort();
  if (parsed.error.empty()) {
    const kelbrin::app::Options& options = parsed.options;
    if (options.timeScale && !(*options.timeScale >= 0.001 && *options.timeScale <= 1000)) {
      std::abort();
    }
    if (options.once && options.service) std::abort();
    if (!options.once && (options.user || options.passwordStdin || options.save)) std::abort();
  }
  const kelbrin::app::ParseResult again = kelbrin::app::ParseCommandLine(startup.options);
  if (again.error != parsed.error || again.options.timeScale != parsed.options.timeScale ||
      again.options.endpoint != parsed.options.endpoint) {
    std::abort();
  }
  return 0;
}
