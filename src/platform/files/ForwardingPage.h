#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelbrin::platform {

// A web address for the browser that must not appear on a command line (it may carry the
// account's user name and password, and every local user can read a process's arguments): a
// small HTML page that sends the browser on to the address, in a file only this user can read.
// The browser is handed the page's file address instead, which carries no secret.
class ForwardingPage {
 public:
  // Writes the page (mode 0600) into the user's runtime folder ($XDG_RUNTIME_DIR, when it is a
  // folder of this user that nobody else may write to) or else into a new private (0700) folder
  // under the temp folder. Throws std::system_error when neither can be had.
  explicit ForwardingPage(std::string_view address);
  ~ForwardingPage();  // removes the page, and the private folder when it made one
  ForwardingPage(const ForwardingPage&) = delete;
  ForwardingPage& operator=(const ForwardingPage&) = delete;

  const std::filesystem::path& File() const { return file_; }
  // "file://" and the page's path, percent-encoded.
  std::string FileUrl() const;

  // The page: a refresh to `address` and a link to it, the address made safe for HTML.
  static std::string PageText(std::string_view address);

 private:
  void Remove();

  std::filesystem::path ownFolder_;  // empty when the page lies in the runtime folder
  std::filesystem::path file_;
};

}  // namespace kelbrin::platform
