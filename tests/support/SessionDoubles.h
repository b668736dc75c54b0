#pragma once

// Stand-ins the session and window tests share: a presenter that records every effect, and the
// settings store in memory.
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "runtime/Presenter.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::test {

// Every effect the session asks for, in order, with the thread it came on.
class RecordingPresenter final : public runtime::Presenter {
 public:
  struct Effect {
    // "popup", "beep", "message-beep", "error", "info", "show", "network-settings"
    std::string kind;
    std::string title;
    std::string text;
    std::thread::id thread;
    std::string Line() const { return kind + '|' + title + '|' + text; }
  };

  void ShowHintPopup(const std::string& title, const std::string& text) override {
    Record("popup", title, text);
  }
  // A notice's popup is recorded as any popup; its weight is kept beside.
  void ShowNoticePopup(const std::string& title, const std::string& text,
                       runtime::PopupWeight weight) override {
    popupWeights.push_back(weight);
    ShowHintPopup(title, text);
  }
  void StartBeep(int repetitions) override { Record("beep", {}, std::to_string(repetitions)); }
  void MessageBeep() override { Record("message-beep", {}, {}); }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    Record("error", caption, text);
  }
  void ShowErrorBoxThen(const std::string& caption, const std::string& text,
                        std::function<void()> closed) override {
    Record("error", caption, text);
    if (!closed) return;
    if (holdErrorBoxes) {
      openErrorBoxes.push_back(std::move(closed));
    } else {
      closed();
    }
  }
  void ShowInfoBox(const std::string& caption, const std::string& text) override {
    Record("info", caption, text);
  }
  std::vector<runtime::PopupWeight> popupWeights;

  // The user closes the error boxes that are still up, oldest first.
  void CloseErrorBoxes() {
    auto boxes = std::move(openErrorBoxes);
    openErrorBoxes.clear();
    for (auto& closed : boxes) closed();
  }
  void ShowMainWindow() override { Record("show", {}, {}); }
  void ShowNetworkSettings() override { Record("network-settings", {}, {}); }

  // How many recorded effects match; an empty title matches any.
  int Count(const std::string& kind, const std::string& title, const std::string& text) const {
    return static_cast<int>(std::count_if(effects.begin(), effects.end(), [&](const Effect& e) {
      return e.kind == kind && (title.empty() || e.title == title) && e.text == text;
    }));
  }
  // How many recorded effects read exactly "kind|title|text".
  int Count(const std::string& line) const {
    return static_cast<int>(std::count_if(effects.begin(), effects.end(),
                                          [&](const Effect& e) { return e.Line() == line; }));
  }

  std::vector<Effect> effects;
  // With it, an error box stays up (its `closed` waits in openErrorBoxes) until CloseErrorBoxes.
  bool holdErrorBoxes = false;
  std::vector<std::function<void()>> openErrorBoxes;

 private:
  void Record(std::string kind, std::string title, std::string text) {
    effects.push_back(
        {std::move(kind), std::move(title), std::move(text), std::this_thread::get_id()});
  }
};

// The settings store in memory, with the service query and the autostart entry as flags.
class MemorySettingsBackend final : public settings::SettingsBackend {
 public:
  std::string ReadValue(const std::string& name) override {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
  }
  void WriteValue(const std::string& name, const std::string& text) override {
    values[name] = text;
  }
  void WriteValues(const std::map<std::string, std::string>& batch) override {
    for (const auto& [name, text] : batch) values[name] = text;
  }
  bool IsServiceInstalled(const std::string&) override { return serviceInstalled; }
  void SetAutorun(bool enabled) override { autorun = enabled; }

  std::map<std::string, std::string> values;
  bool serviceInstalled = false;
  bool autorun = false;
};

}  // namespace kelbrin::test
