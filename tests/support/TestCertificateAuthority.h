#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"

namespace kelbrin::test {

// A server certificate and its private key, as PEM files.
struct CertificateFiles {
  std::filesystem::path certificate;
  std::filesystem::path privateKey;
};

// A certificate authority made afresh at run time, so no key is ever committed: its own key and
// self-signed certificate, and server certificates it signs on request. Every file lives in a
// temporary folder that goes with the object.
class TestCertificateAuthority {
 public:
  struct LeafSpec {
    std::vector<std::string> dnsNames{};     // subjectAltName DNS entries
    std::vector<std::string> ipAddresses{};  // subjectAltName IP entries, e.g. "127.0.0.1"
    // The validity period, relative to now; both in the past makes an expired certificate.
    std::chrono::seconds validFrom = -std::chrono::hours(1);
    std::chrono::seconds validUntil = std::chrono::hours(24);
  };

  TestCertificateAuthority();
  ~TestCertificateAuthority();
  TestCertificateAuthority(const TestCertificateAuthority&) = delete;
  TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

  // The authority's certificate (PEM): what a client must trust.
  const std::filesystem::path& certificateFile() const { return certificateFile_; }
  // A folder holding only that certificate under the hash of its subject ("1a2b3c4d.0"), as
  // c_rehash leaves a trust folder: what a client looks up by hash.
  const std::filesystem::path& hashedFolder() const { return hashedFolder_; }

  // A new key and a certificate for it signed by this authority; throws when OpenSSL fails.
  CertificateFiles issue(const LeafSpec& spec);

 private:
  struct Signer;

  TempDir folder_;
  std::filesystem::path certificateFile_;
  std::filesystem::path hashedFolder_;
  std::unique_ptr<Signer> signer_;
  int issued_ = 0;
};

}  // namespace kelbrin::test
