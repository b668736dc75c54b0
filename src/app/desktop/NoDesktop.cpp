// The desktop mode of a build without the Qt front-end (KELBRIN_GUI=OFF).
#include "app/desktop/DesktopMode.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

bool HasDesktop() { return false; }

int RunDesktop(const DesktopStart&, std::ostream& err) {
  err << "kelbrin-client: "
      << runtime::Translate("this build has no desktop; use --service or --once (see --help)")
      << '\n';
  return 1;
}

}  // namespace kelbrin::app
