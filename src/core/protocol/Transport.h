#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "runtime/Pace.h"

namespace kelbrin::protocol {

// Serialises every HTTP exchange of the process: at most one request is in flight.
std::mutex& HttpLock();

// The process-wide transport settings: the endpoint (string-table entry 1000 unless overridden)
// and the four time-outs of one exchange (taken from the Pace).
void SetServerUrl(std::string url);
std::string ServerUrl();
void SetTransportPace(const runtime::Pace& pace);

// Shutdown: aborts the exchange in flight promptly and makes every later call return at once
// with the empty reply. `ResumeExchanges` undoes it (tests).
void AbortAllExchanges();
void ResumeExchanges();

// One HTTP exchange. Returns the reply text (UTF-8), or the empty string on any failure:
// refused, time-out, status other than 200, empty body, in XML mode a body that is not well-formed
// XML or larger than 16 MiB; in raw mode the body decoded from the system code page, cut at
// 32767 characters.
std::string PostXmlRequest(std::string_view method, std::string_view url, std::string_view body,
                           bool xmlMode);

}  // namespace kelbrin::protocol
