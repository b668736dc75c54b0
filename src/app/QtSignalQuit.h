#pragma once

#include <signal.h>

#include <QObject>

class QSocketNotifier;

namespace kelbrin::app {

// While alive, SIGTERM and SIGINT quit the Qt application through its event loop: the handler
// only writes the signal number into a pipe, which a socket notifier reads on the main thread.
// One instance at a time; the previous dispositions come back on destruction.
class QtSignalQuit final : public QObject {
  Q_OBJECT

 public:
  QtSignalQuit();
  ~QtSignalQuit() override;

 private:
  void onReadable();

  int readFd_ = -1;
  int writeFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
};

}  // namespace kelbrin::app
