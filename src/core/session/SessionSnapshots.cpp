#include "session/SessionSnapshots.h"

namespace kelbrin::session {

std::shared_ptr<const protocol::TQueryUserProfileResp> SessionSnapshots::UserProfile() const {
  std::lock_guard guard(lock_);
  return userProfile_;
}

std::shared_ptr<const protocol::TGetServiceListResp> SessionSnapshots::ServiceList() const {
  std::lock_guard guard(lock_);
  return serviceList_;
}

void SessionSnapshots::PublishUserProfile(
    std::shared_ptr<const protocol::TQueryUserProfileResp> profile) {
  std::lock_guard guard(lock_);
  userProfile_ = std::move(profile);
}

void SessionSnapshots::PublishServiceList(
    std::shared_ptr<const protocol::TGetServiceListResp> list) {
  std::lock_guard guard(lock_);
  serviceList_ = std::move(list);
}

}  // namespace kelbrin::session
