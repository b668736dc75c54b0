#pragma once

#include <functional>
#include <string>

#include "lines/TBaseLine.h"
#include "lines/TLineFactory.h"

namespace kelbrin::lines {

// The holder of the one line of the run: starts the line of the configured kind, replaces it
// when the settings change, switches its keep-alive, runs its login step. Used from the
// controller's thread only.
class TActiveLine {
 public:
  // Frees a line the holder lets go of.
  using Disposal = std::function<void(LinePtr line)>;

  // Without `dispose`, a line is freed where the holder lets go of it (its workers joined
  // there); with it, `dispose` takes the line, e.g. to free it off the holder's thread.
  explicit TActiveLine(const TLineFactory& factory, Disposal dispose = {})
      : factory_(factory), dispose_(std::move(dispose)) {}
  ~TActiveLine() { FreeLine(); }
  TActiveLine(const TActiveLine&) = delete;
  TActiveLine& operator=(const TActiveLine&) = delete;

  // Lets go of the held line, if any: destroyed (its worker stopped first) or disposed of.
  void FreeLine();

  // Records the values, creates the line, hands it the values, turns its keep-alive on and runs
  // its login step. Throws LineAssertion ("KeepLineActive") when the type has no line; nothing is
  // held then, and the values stay recorded.
  void StartLine(int lineType, const std::string& entryName, const std::string& password,
                 const std::string& userName);
  // Restarts the line only when one of the values differs from those last started; the
  // keep-alive stays as it was (on or off).
  void Apply(int lineType, const std::string& entryName, const std::string& password,
             const std::string& userName);
  void SetKeepActive(bool value);

  // The held line's login step (after a connection failure reported by the service); false when
  // no line is held. A failure of the step is dropped.
  bool Authenticate();

  TBaseLine* Line() const { return line_.get(); }
  int LineType() const { return lineType_; }
  bool KeepActive() const { return keepActive_; }

 private:
  void Start(int lineType, const std::string& entryName, const std::string& password,
             const std::string& userName, bool keepActive);

  const TLineFactory& factory_;
  Disposal dispose_;
  LinePtr line_;
  int lineType_ = 0;
  std::string entryName_;
  std::string userName_;
  std::string password_;
  bool keepActive_ = false;
};

}  // namespace kelbrin::lines
