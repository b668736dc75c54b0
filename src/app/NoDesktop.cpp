// The desktop mode of a build without the Qt front-end (KELBRIN_GUI=OFF).
#include "app/DesktopMode.h"

namespace kelbrin::app {

bool HasDesktop() { return false; }

int RunDesktop(const DesktopStart&, std::ostream& err) {
  err << "kelbrin-client: this build has no desktop; use --service or --once (see --help)\n";
  return 1;
}

}  // namespace kelbrin::app
