#include "app/entry/PlatformAddressWatch.h"

#include <memory>
#include <utility>

#include "platform/net/AddressWatch.h"

namespace kelbrin::app {

client::AddressWatchStarter PlatformAddressWatch() {
  return [](std::function<void()> changed) -> std::shared_ptr<void> {
    return std::make_shared<platform::AddressWatch>(
        [changed = std::move(changed)](const platform::AddressWatch::Change&) { changed(); });
  };
}

}  // namespace kelbrin::app
