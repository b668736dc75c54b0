#include "gui/WindowServices.h"

namespace kelbrin::gui {

TMainForm::Services WindowServices(client::ClientRoot& root, runtime::Presenter& presenter) {
  return WindowServices(root, root.Session(), presenter);
}

TMainForm::Services WindowServices(client::ClientRoot& root, session::SessionFront& session,
                                   runtime::Presenter& presenter) {
  return {.session = session,
          .presenter = presenter,
          .settings = root.Settings(),
          .eventLog = root.EventLog(),
          .reminders = root.Reminders(),
          .network = {.ConnectionNames = [&root] { return root.ConnectionNames(); },
                      .ApplyLine =
                          [&root](int type, const std::string& name, const std::string& pwd,
                                  const std::string& user, std::function<void()> done) {
                            root.ApplyLine(type, name, pwd, user, std::move(done));
                          },
                      .SetKeepActive = [&root](bool on) { root.SetLineKeepActive(on); },
                      .IsDialUpEntry =
                          [&root](const std::string& name) { return root.IsDialUpEntry(name); }},
          .sysInfo = &root.SystemInformation(),
          .addressHistory = [&root] { return root.AddressHistoryLines(); }};
}

}  // namespace kelbrin::gui
