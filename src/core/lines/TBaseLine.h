#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lines/LineEnvironment.h"

namespace kelbrin::lines {

class TLineKeepTrd;

// A way onto the Internet. The holder sets EntryName, UserName and Password before it turns
// KeepActive on; from then on the keep-alive worker reads them on its own thread, so they are not
// changed while a line lives.
class TBaseLine {
 public:
  explicit TBaseLine(const LineEnvironment& environment);
  virtual ~TBaseLine();
  TBaseLine(const TBaseLine&) = delete;
  TBaseLine& operator=(const TBaseLine&) = delete;

  // Resets the line and starts its keep-alive worker. Called once, right after construction; a
  // kind that overrides it calls the base first.
  virtual void Initialize();
  // 0 on success, else an error code (-1 when the line cannot even try).
  virtual int Connect() = 0;
  virtual int Disconnect() = 0;
  virtual std::string GetIpAddress() = 0;
  // Whether the line is up; called on the keep-alive worker's thread.
  virtual bool GetActive() = 0;
  virtual void SetActive(bool value) = 0;
  virtual std::string Describe() = 0;
  // The kind's login step, if it has one; true.
  virtual bool Authenticate() = 0;
  // Whether a keep-alive pass can ever do something for this kind. A kind that is always up or
  // whose SetActive does nothing answers false, and its worker then never wakes.
  virtual bool KeepAliveActs() const = 0;

  // Stops the keep-alive worker for good: it makes no further pass and never touches the line
  // again. Runs before a line is freed (LineDeleter), while the kind is still whole.
  void StopKeeper();
  // The line is about to be freed: a pass under way should return soon (e.g. a dial in progress
  // ends). Runs before StopKeeper in LineDeleter; nothing for kinds whose passes are short.
  virtual void Abandon() {}

  const std::string& UserName() const { return userName_; }
  void SetUserName(std::string value) { userName_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }
  const std::string& EntryName() const { return entryName_; }
  void SetEntryName(std::string value) { entryName_ = std::move(value); }

  bool KeepActive() const { return keepActive_.load(); }
  void SetKeepActive(bool value);
  // Any thread, while the line lives: the machine's addresses or default routes changed; a kept line that was up is
  // checked at once instead of at its next interval.
  void LinkChanged();

  std::uint32_t AdptIndex() const { return adptIndex_.load(); }
  std::vector<std::string> Errors() const;
  // What the last SetActive(true) came to: 0 when the line came up (or the kind has nothing to
  // bring up), else the code of the failure.
  int LastBringUp() const { return lastBringUp_.load(); }

 protected:
  std::string StoredIpAddress() const;
  void SetIpAddress(std::string value);
  void SetAdptIndex(std::uint32_t value) { adptIndex_.store(value); }
  void AddError(std::string text);
  void SetLastBringUp(int result) { lastBringUp_.store(result); }

  const LineEnvironment& Environment() const { return environment_; }

 private:
  LineEnvironment environment_;
  std::string userName_;
  std::string password_;
  std::string entryName_;
  std::atomic<bool> keepActive_{false};
  std::atomic<std::uint32_t> adptIndex_{0};
  std::atomic<int> lastBringUp_{0};
  mutable std::mutex mutex_;  // guards ipAddress_ and errors_, written on the worker's thread
  std::string ipAddress_;
  std::vector<std::string> errors_;
  std::unique_ptr<TLineKeepTrd> keeper_;
};

// Frees a line: its worker is stopped first, while every part of the line is still alive.
struct LineDeleter {
  void operator()(TBaseLine* line) const;
};
using LinePtr = std::unique_ptr<TBaseLine, LineDeleter>;

}  // namespace kelbrin::lines
