#include "platform/files/ForwardingPage.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace kelbrin::platform {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// $XDG_RUNTIME_DIR when it is this user's and nobody else may write to it; empty otherwise.
std::filesystem::path PrivateRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return {};
  struct stat info {};
  if (::stat(runtime, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
      (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return {};
  }
  return runtime;
}

void AppendHex(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// Bytes that never stand raw in an address and would end the HTML attribute or the refresh's
// URL: percent-encoded, the rest kept as it is.
std::string SafeAddress(std::string_view address) {
  std::string safe;
  for (const char ch : address) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c >= 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '\\' ||
        c == '`') {
      AppendHex(safe, c);
    } else {
      safe += ch;
    }
  }
  return safe;
}

std::string HtmlAttribute(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '&') {
      escaped += "&amp;";
    } else {
      escaped += c;  // SafeAddress has taken the quotes and angle brackets out
    }
  }
  return escaped;
}

}  // namespace

ForwardingPage::ForwardingPage(std::string_view address) {
  std::filesystem::path folder = PrivateRuntimeFolder();
  if (folder.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelbrin-page-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ThrowErrno(errno, "cannot create " + pattern);
    ownFolder_ = folder = pattern;
  }
  std::string name = (folder / "kelbrin-page-XXXXXX.html").string();
  // mkstemps creates the file 0600: no moment in which another user could read it.
  const int fd = ::mkostemps(name.data(), 5, O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (!ownFolder_.empty()) ::rmdir(ownFolder_.c_str());
    ThrowErrno(error, "cannot create a page in " + folder.string());
  }
  file_ = name;
  const std::string text = PageText(address);
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = errno;
      ::close(fd);
      Remove();
      ThrowErrno(error, "cannot write " + name);
    }
    written += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

ForwardingPage::~ForwardingPage() { Remove(); }

void ForwardingPage::Remove() {
  if (!file_.empty()) ::unlink(file_.c_str());
  if (!ownFolder_.empty()) ::rmdir(ownFolder_.c_str());
}

std::string ForwardingPage::FileUrl() const {
  std::string url = "file://";
  for (const char ch : file_.string()) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c) || c == '/') {
      url += ch;
    } else {
      AppendHex(url, c);
    }
  }
  return url;
}

std::string ForwardingPage::PageText(std::string_view address) {
  const std::string target = HtmlAttribute(SafeAddress(address));
  return "<!DOCTYPE html>\n"
         "<html><head><meta charset=\"utf-8\">\n"
         "<meta name=\"referrer\" content=\"no-referrer\">\n"
         "<meta http-equiv=\"refresh\" content=\"0; url=" + target + "\">\n"
         "<title>Kelbrin client</title></head>\n"
         "<body><a href=\"" + target + "\">Continue</a></body></html>\n";
}

}  // namespace kelbrin::platform
