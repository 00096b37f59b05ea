// The POSIX process: host name, process identifier and the signals that end it.
#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

std::string HostName() {
  long Limit = sysconf(_SC_HOST_NAME_MAX);
  std::vector<char> Name(static_cast<std::size_t>(Limit > 0 ? Limit : 255) + 1, '\0');
  if (gethostname(Name.data(), Name.size() - 1) != 0) return "localhost";
  return Name.data();
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

static void (*volatile InterruptHandler)() = nullptr;

// Runs the handler, then dies of the same signal with the default action, so
// that whoever started the run sees the usual status.
static void HandleSignal(int Signal) {
  const int SavedError = errno;
  if (InterruptHandler != nullptr) InterruptHandler();
  signal(Signal, SIG_DFL);
  raise(Signal);
  errno = SavedError;
}

static constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnInterrupt(void (*Handler)()) {
  InterruptHandler = Handler;
  for (int Signal : InterruptSignals) {
    struct sigaction Previous;
    // A run started with the signal ignored (nohup, a background job) keeps it ignored.
    if (sigaction(Signal, nullptr, &Previous) != 0 || Previous.sa_handler == SIG_IGN) continue;
    struct sigaction Action = {};
    Action.sa_handler = HandleSignal;
    sigemptyset(&Action.sa_mask);
    sigaction(Signal, &Action, nullptr);
  }
}

static void MaskInterrupts(int How) {
  sigset_t Signals;
  sigemptyset(&Signals);
  for (int Signal : InterruptSignals) sigaddset(&Signals, Signal);
  sigprocmask(How, &Signals, nullptr);
}

void DeferInterrupts() { MaskInterrupts(SIG_BLOCK); }

void AllowInterrupts() { MaskInterrupts(SIG_UNBLOCK); }
