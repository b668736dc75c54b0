// Any entries through the saved-log writer: each entry is exactly one CR LF line of the file,
// whatever its text holds (line ends, escapes, broken UTF-8), newest first.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "eventlog/LogFile.h"
#include "eventlog/LogFormat.h"
#include "eventlog/LogList.h"
#include "platform/files/CodePage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kelbrin::platform::SetSystemCodePage(kelbrin::platform::CodePage::Named("UTF-8"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("kelbrin-fuzz-log-" + std::to_string(::getpid()) + ".txt");
  FuzzedDataProvider input(data, size);
  kelbrin::eventlog::LogList list;
  const int count = input.ConsumeIntegralInRange<int>(0, 16);
  for (int i = 0; i < count; ++i) {
    kelbrin::eventlog::TLogRec entry;
    entry.kind = input.ConsumeIntegral<std::uint8_t>();
    entry.text = input.ConsumeRandomLengthString(600);
    entry.time = std::chrono::system_clock::time_point(
        std::chrono::seconds(input.ConsumeIntegralInRange<std::int64_t>(0, 4102444800)));
    list.Insert(std::move(entry));
  }
  kelbrin::eventlog::SaveLogFile(list, file);
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::size_t lines = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) std::abort();  // a last line without its CR LF
    const std::string_view line(text.data() + start, end - start);
    if (line.find_first_of("\r\n") != std::string_view::npos) std::abort();  // a forged line
    const std::string expected = kelbrin::eventlog::FormatLogLine(list.at(lines));
    if (line != expected) {
      std::fprintf(stderr, "line %zu of the file: [%s], the entry's line: [%s]\n", lines,
                   std::string(line).c_str(), expected.c_str());
      std::abort();
    }
    ++lines;
    start = end + 2;
  }
  if (lines != list.size()) std::abort();
  return 0;
}
