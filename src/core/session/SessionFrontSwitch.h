#pragma once

#include <functional>

#include "session/SessionFront.h"

namespace kelbrin::session {

// The window's one session, forwarding to whichever front runs it now; a switch hands the view
// observer over and shows the new front's view at once, so the window never knows there was a
// switch. Controller's thread only (the readout's thread-safe calls stay thread-safe as long as
// no switch runs beside them).
class SessionFrontSwitch final : public SessionFront {
 public:
  explicit SessionFrontSwitch(SessionFront& front) : front_(&front) {}
  ~SessionFrontSwitch() override;
  SessionFrontSwitch(const SessionFrontSwitch&) = delete;
  SessionFrontSwitch& operator=(const SessionFrontSwitch&) = delete;

  // From now on `front` (which must outlive the switch or the next Use) runs the session.
  void Use(SessionFront& front);
  const SessionFront& Current() const { return *front_; }

  void BtnLogonClick() override { front_->BtnLogonClick(); }
  void EditEntered() override { front_->EditEntered(); }
  void SetEditUserName(std::string text) override { front_->SetEditUserName(std::move(text)); }
  void SetEditPassword(std::string text) override { front_->SetEditPassword(std::move(text)); }
  void SetChkBoxSavePwd(bool checked) override { front_->SetChkBoxSavePwd(checked); }
  void SetChkBoxStartup(bool checked) override { front_->SetChkBoxStartup(checked); }
  void SetChkBoxRunAsService(bool checked) override { front_->SetChkBoxRunAsService(checked); }
  void SetSuiCheckBoxUpdateSysInfo(bool checked) override {
    front_->SetSuiCheckBoxUpdateSysInfo(checked);
  }
  void SaveSettings() override { front_->SaveSettings(); }

  const SessionView& View() const override { return front_->View(); }
  void SetViewObserver(std::function<void(const SessionView&)> observer) override;
  // Called after the window's observer on every change, whichever front runs the session (the
  // desktop's own session published on the bus).
  void SetSideObserver(std::function<void()> observer);
  int Mark() const override { return front_->Mark(); }
  bool NetReachable() const override { return front_->NetReachable(); }
  const SessionSnapshots& Snapshots() const override { return front_->Snapshots(); }

  void NotifyEvent(int kind, const std::string& text, int selector = 0,
                   const std::string& argument = {}) override {
    front_->NotifyEvent(kind, text, selector, argument);
  }
  void RefreshServiceList() override { front_->RefreshServiceList(); }
  void ShowAccountAddress() override { front_->ShowAccountAddress(); }
  std::chrono::system_clock::time_point WallNow() const override { return front_->WallNow(); }

 private:
  // The observer the front calls: the window's, then the side observer.
  void Observe();

  SessionFront* front_;
  std::function<void(const SessionView&)> observer_;
  std::function<void()> sideObserver_;
};

}  // namespace kelbrin::session
