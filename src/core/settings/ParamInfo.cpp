#include "settings/ParamInfo.h"

namespace kelbrin::settings {

TParamInfo ParamInfoStore::Snapshot() const {
  std::lock_guard lock(lock_);
  return record_;
}

void ParamInfoStore::Update(const TParamInfo& record) {
  std::lock_guard lock(lock_);
  record_ = record;
}

}  // namespace kelbrin::settings
