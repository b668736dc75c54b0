#include "platform/secrets/SystemdCredentialStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/files/AtomicFile.h"
#include "platform/process/ChildProcess.h"
#include "platform/machine/FactFile.h"

namespace kelbrin::platform {
namespace {

// Far above an account and its password; also what fits a pipe before systemd-creds reads it.
constexpr std::size_t kMaxRecord = 16 * 1024;

// The credential's text: the account, a NUL byte, the secret.
std::string Record(const std::string& account, const std::string& secret) {
  return account + '\0' + secret;
}

std::optional<std::string> SecretOf(const std::string& record, const std::string& account) {
  const std::size_t split = record.find('\0');
  if (split == std::string::npos || record.compare(0, split, account) != 0) {
    return std::nullopt;
  }
  return record.substr(split + 1);
}

// A record longer than any saved one is not ours.
std::optional<std::string> ReadRecordFile(const std::filesystem::path& file) {
  std::optional<std::string> text = ReadFactFile(file, kMaxRecord + 1);
  if (text && text->size() > kMaxRecord) return std::nullopt;
  return text;
}

// The file of the credential `name` the unit's service manager handed over, decrypted.
std::optional<std::filesystem::path> UnitCredentialFile(const char* name) {
  const char* folder = std::getenv("CREDENTIALS_DIRECTORY");
  if (folder == nullptr || *folder == '\0') return std::nullopt;
  return std::filesystem::path(folder) / name;
}

// Whether `sealed` was written after `handedOver` was: saved by the running service itself, or
// by root while it ran (to be read on its reload).
bool WrittenAfter(const std::filesystem::path& sealed, const std::filesystem::path& handedOver) {
  std::error_code error;
  const auto sealedTime = std::filesystem::last_write_time(sealed, error);
  if (error) return false;
  const auto handedOverTime = std::filesystem::last_write_time(handedOver, error);
  return error || sealedTime > handedOverTime;
}

}  // namespace

const char* SystemdCredentialStore::CredentialName(SecretKind kind) {
  return kind == SecretKind::Line ? "kelbrin-client.line" : "kelbrin-client.account";
}

SystemdCredentialStore::SystemdCredentialStore(SecretKind kind, std::filesystem::path folder,
                                               std::chrono::milliseconds timeout)
    : name_(CredentialName(kind)), folder_(std::move(folder)), timeout_(timeout) {}

SecretPlace SystemdCredentialStore::Place() const {
  return {Translatable("the encrypted credential %1"), File().string()};
}

std::string SystemdCredentialStore::RunCreds(const std::vector<std::string>& args,
                                             const std::string& input) const {
  if (input.size() > kMaxRecord) throw SecretStoreError("the secret is too long");
  int pipeFds[2] = {-1, -1};
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    throw SecretStoreError(std::string("cannot make a pipe: ") + std::strerror(errno));
  }
  // The whole input fits the pipe's buffer, so it is written before the program starts.
  const bool written =
      ::write(pipeFds[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
  ::close(pipeFds[1]);
  if (!written) {
    ::close(pipeFds[0]);
    throw SecretStoreError("cannot hand the secret to systemd-creds");
  }
  std::vector<std::string> argv{"systemd-creds"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::optional<ChildProcess> child =
      ChildProcess::Start(argv, ChildOptions{.captureOutput = true, .passFds = {{STDIN_FILENO, pipeFds[0]}}});
  ::close(pipeFds[0]);
  if (!child) throw SecretStoreError("systemd-creds is not installed");
  const std::optional<int> exitCode = child->Wait(timeout_);
  if (!exitCode) throw SecretStoreError("systemd-creds took too long");
  if (*exitCode != 0) {
    throw SecretStoreError("systemd-creds " + args.front() + " failed (exit status " +
                           std::to_string(*exitCode) + ")");
  }
  return child->Output();
}

std::optional<std::string> SystemdCredentialStore::Load(const std::string& account) {
  // What the manager handed over at the start is used until the sealed file changes.
  const std::optional<std::filesystem::path> handedOver = UnitCredentialFile(name_);
  std::error_code error;
  const bool sealed = std::filesystem::exists(File(), error);
  if (handedOver && !(sealed && WrittenAfter(File(), *handedOver))) {
    const std::optional<std::string> record = ReadRecordFile(*handedOver);
    return record ? SecretOf(*record, account) : std::nullopt;
  }
  if (!sealed) return std::nullopt;
  const std::string record =
      RunCreds({"decrypt", std::string("--name=") + name_, File().string(), "-"}, "");
  return SecretOf(record, account);
}

void SystemdCredentialStore::Save(const std::string& account, const std::string& secret) {
  const std::string sealed =
      RunCreds({"encrypt", std::string("--name=") + name_, "-", "-"}, Record(account, secret));
  try {
    CreateFolder(folder_, 0700);
    WriteFileAtomically(File(), sealed, 0600);
  } catch (const std::system_error& failure) {
    throw SecretStoreError(failure.what());
  }
}

void SystemdCredentialStore::Remove(const std::string& account) {
  std::error_code error;
  if (!std::filesystem::exists(File(), error)) return;
  // A credential that can no longer be opened (a new machine key) is forgotten as well.
  std::optional<std::string> saved;
  try {
    saved = Load(account);
  } catch (const SecretStoreError&) {
    saved = std::string();
  }
  if (saved && !std::filesystem::remove(File(), error) && error) {
    throw SecretStoreError("cannot remove " + File().string() + ": " + error.message());
  }
}

}  // namespace kelbrin::platform
