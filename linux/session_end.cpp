// The end of the session: termination signals through a self-pipe, and the session manager.
#include "linux/session_end.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace verdalin {

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int number) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
  errno = saved;
}

bool OpenPipe() {
  if (g_pipe[0] >= 0) return true;
  return pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

SessionEnd::SessionEnd(EventSink& events) : events_(events) {
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(gui, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { events_.Dispatch({EventKind::kSessionSaveRequest}); });
  }
  if (!OpenPipe()) return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::ReadSignals);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kSignals) sigaction(number, &action, nullptr);
}

SessionEnd::~SessionEnd() {
  for (int number : kSignals) signal(number, SIG_DFL);
}

void SessionEnd::ReadSignals() {
  unsigned char byte = 0;
  int last = 0;
  while (read(g_pipe[0], &byte, 1) == 1) last = byte;
  if (last != 0) events_.Dispatch({EventKind::kTerminationRequested});
}

}  // namespace verdalin
