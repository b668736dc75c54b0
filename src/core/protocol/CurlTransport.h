#pragma once

#include "protocol/Transport.h"

namespace kelbrin::protocol {

// The exchanges over libcurl. Only http and https; certificates are verified against the
// system's authorities (SSL_CERT_FILE can name another bundle); no redirect is followed (a redirect
// would carry the password to another host); a proxy from the environment is honoured.
class CurlTransport final : public Transport {
 public:
  CurlTransport();
  std::string Exchange(const ExchangeRequest& request) override;
};

}  // namespace kelbrin::protocol
