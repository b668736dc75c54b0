#pragma once

#include <memory>
#include <mutex>

#include "protocol/TGetServiceListResp.h"
#include "protocol/TQueryUserProfileResp.h"

namespace kelbrin::session {

// The account data other areas read (the reminder checks, the domain view, the advanced-service
// page): the profile of the last successful login and the last good service list, each an
// immutable snapshot. A reader keeps the one it holds while a newer one is published. Thread-safe.
class SessionSnapshots {
 public:
  std::shared_ptr<const protocol::TQueryUserProfileResp> UserProfile() const;
  std::shared_ptr<const protocol::TGetServiceListResp> ServiceList() const;

  void PublishUserProfile(std::shared_ptr<const protocol::TQueryUserProfileResp> profile);
  void PublishServiceList(std::shared_ptr<const protocol::TGetServiceListResp> list);

 private:
  mutable std::mutex lock_;
  std::shared_ptr<const protocol::TQueryUserProfileResp> userProfile_;
  std::shared_ptr<const protocol::TGetServiceListResp> serviceList_;
};

}  // namespace kelbrin::session
