#include "TestCertificateAuthority.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace kelbrin::test {

namespace {

template <auto Free>
struct OpenSslDeleter {
  template <typename T>
  void operator()(T* object) const {
    Free(object);
  }
};
using Key = std::unique_ptr<EVP_PKEY, OpenSslDeleter<EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, OpenSslDeleter<X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, OpenSslDeleter<X509_EXTENSION_free>>;
using Bignum = std::unique_ptr<BIGNUM, OpenSslDeleter<BN_free>>;
using File = std::unique_ptr<BIO, OpenSslDeleter<BIO_free_all>>;

[[noreturn]] void Fail(const std::string& what) {
  char detail[256] = "";
  ERR_error_string_n(ERR_get_error(), detail, sizeof detail);
  ERR_clear_error();
  throw std::runtime_error("test certificate authority: " + what + ": " + detail);
}

// P-256 keys: quick to make, and every TLS stack in use accepts them.
Key NewKey() {
  Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  if (!key) Fail("key generation");
  return key;
}

// An unsigned version-3 certificate for `subjectKey` with a random serial number.
Certificate NewCertificate(EVP_PKEY* subjectKey, const std::string& commonName,
                           std::chrono::seconds validFrom, std::chrono::seconds validUntil) {
  Certificate certificate(X509_new());
  const Bignum serial(BN_new());
  if (!certificate || !serial || X509_set_version(certificate.get(), X509_VERSION_3) != 1 ||
      BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1 ||
      BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get())) == nullptr ||
      X509_gmtime_adj(X509_getm_notBefore(certificate.get()), validFrom.count()) == nullptr ||
      X509_gmtime_adj(X509_getm_notAfter(certificate.get()), validUntil.count()) == nullptr ||
      X509_set_pubkey(certificate.get(), subjectKey) != 1 ||
      X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate.get()), "CN", MBSTRING_UTF8,
                                 reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                                 0) != 1) {
    Fail("certificate for " + commonName);
  }
  return certificate;
}

// Adds an extension written the way openssl.cnf writes it, e.g. "critical,CA:TRUE".
void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  const Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
  if (!extension || X509_add_ext(certificate, extension.get(), -1) != 1) {
    Fail("extension " + value);
  }
}

void Sign(X509* certificate, X509* issuer, EVP_PKEY* issuerKey) {
  if (X509_set_issuer_name(certificate, X509_get_subject_name(issuer)) != 1 ||
      X509_sign(certificate, issuerKey, EVP_sha256()) <= 0) {
    Fail("signing");
  }
}

File OpenForWriting(const std::filesystem::path& path) {
  File file(BIO_new_file(path.c_str(), "w"));
  if (!file) Fail("cannot write " + path.string());
  return file;
}

void WriteCertificate(const std::filesystem::path& path, X509* certificate) {
  if (PEM_write_bio_X509(OpenForWriting(path).get(), certificate) != 1) Fail(path.string());
}

void WriteKey(const std::filesystem::path& path, EVP_PKEY* key) {
  if (PEM_write_bio_PrivateKey(OpenForWriting(path).get(), key, nullptr, nullptr, 0, nullptr,
                               nullptr) != 1) {
    Fail(path.string());
  }
}

std::string SubjectAltName(const TestCertificateAuthority::LeafSpec& spec) {
  std::string names;
  for (const auto& name : spec.dnsNames) names += (names.empty() ? "DNS:" : ",DNS:") + name;
  for (const auto& ip : spec.ipAddresses) names += (names.empty() ? "IP:" : ",IP:") + ip;
  return names;
}

}  // namespace

struct TestCertificateAuthority::Signer {
  Key key;
  Certificate certificate;
};

TestCertificateAuthority::TestCertificateAuthority()
    : certificateFile_(folder_ / "ca.pem"),
      hashedFolder_(folder_ / "hashed"),
      signer_(std::make_unique<Signer>()) {
  signer_->key = NewKey();
  signer_->certificate = NewCertificate(signer_->key.get(), "Kelbrin Test Authority",
                                        -std::chrono::hours(1), std::chrono::hours(24 * 7));
  X509* certificate = signer_->certificate.get();
  // The extensions a strict verifier asks of an authority.
  AddExtension(certificate, certificate, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(certificate, certificate, NID_key_usage, "critical,keyCertSign,cRLSign");
  AddExtension(certificate, certificate, NID_subject_key_identifier, "hash");
  AddExtension(certificate, certificate, NID_authority_key_identifier, "keyid:always");
  Sign(certificate, certificate, signer_->key.get());
  WriteCertificate(certificateFile_, certificate);
  char hashName[16];
  std::snprintf(hashName, sizeof hashName, "%08lx.0", X509_subject_name_hash(certificate));
  std::filesystem::create_directory(hashedFolder_);
  WriteCertificate(hashedFolder_ / hashName, certificate);
}

TestCertificateAuthority::~TestCertificateAuthority() = default;

CertificateFiles TestCertificateAuthority::issue(const LeafSpec& spec) {
  const std::string stem = "leaf-" + std::to_string(++issued_);
  const CertificateFiles files{folder_ / (stem + ".pem"), folder_ / (stem + ".key")};
  const Key key = NewKey();
  const std::string commonName = !spec.dnsNames.empty()      ? spec.dnsNames.front()
                                 : !spec.ipAddresses.empty() ? spec.ipAddresses.front()
                                                             : stem;
  const Certificate leaf = NewCertificate(key.get(), commonName, spec.validFrom, spec.validUntil);
  X509* issuer = signer_->certificate.get();
  AddExtension(leaf.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(leaf.get(), issuer, NID_key_usage, "critical,digitalSignature");
  AddExtension(leaf.get(), issuer, NID_ext_key_usage, "serverAuth");
  AddExtension(leaf.get(), issuer, NID_subject_key_identifier, "hash");
  AddExtension(leaf.get(), issuer, NID_authority_key_identifier, "keyid:always");
  if (const std::string names = SubjectAltName(spec); !names.empty()) {
    AddExtension(leaf.get(), issuer, NID_subject_alt_name, names);
  }
  Sign(leaf.get(), issuer, signer_->key.get());
  WriteCertificate(files.certificate, leaf.get());
  WriteKey(files.privateKey, key.get());
  return files;
}

}  // namespace kelbrin::test
