#pragma once

#include "client/ClientRoot.h"
#include "gui/TMainForm.h"
#include "runtime/Presenter.h"

namespace kelbrin::gui {

// The window's services from the composition root: the one wiring of the desktop start-up and
// of the window's tests. What depends on the run mode (the exit action, installing the
// service) is left to the caller.
TMainForm::Services WindowServices(client::ClientRoot& root, runtime::Presenter& presenter);
// The same with the session the window shows given apart (the root's own, or another front).
TMainForm::Services WindowServices(client::ClientRoot& root, session::SessionFront& session,
                                   runtime::Presenter& presenter);

}  // namespace kelbrin::gui
