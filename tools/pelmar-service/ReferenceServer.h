#pragma once

#include <httplib.h>

#include <ostream>
#include <string>

#include "AccountBook.h"
#include "FaultControl.h"
#include "PelmarHandler.h"
#include "ServiceJournal.h"

namespace kelbrin::reference_service {

// The HTTP side of the reference service on 127.0.0.1: Pelmar messages by POST to
// /pelmar/pelmar.dll/, test controls under /control/ (see README.md), 404 or 405 for the rest.
// Every request outside /control/ is journalled.
class ReferenceServer {
 public:
  static constexpr const char* kHost = "127.0.0.1";
  static constexpr const char* kPelmarPath = "/pelmar/pelmar.dll/";

  ReferenceServer(const AccountBook& accounts, std::ostream& log);

  // Binds 127.0.0.1:`port`, or a free port when `port` is 0. The bound port, or -1.
  int Bind(int port);
  // Serves until Stop(); false when serving failed.
  bool Serve();
  void Stop();

 private:
  void HandlePelmar(const httplib::Request& request, httplib::Response& response);
  void HandleControl(const httplib::Request& request, httplib::Response& response);
  void HandleOther(const httplib::Request& request, httplib::Response& response);
  std::string RequestsText() const;
  std::string ReportsXml() const;

  httplib::Server server_;
  ServiceJournal journal_;
  FaultControl faults_;
  PelmarHandler handler_;
};

}  // namespace kelbrin::reference_service
