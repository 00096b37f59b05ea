// The POSIX process: host name, process identifier and the signals that stop it.
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

bool ProcessRunning(unsigned long Id) {
  const auto Pid = static_cast<pid_t>(Id);
  if (Pid <= 0 || static_cast<unsigned long>(Pid) != Id) return true;
  return kill(Pid, 0) == 0 || errno != ESRCH;
}

static constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

static void (*volatile EmergencyHandler)() = nullptr;
static volatile sig_atomic_t FirstSignal = 0;

static sigset_t InterruptSet() {
  sigset_t Signals;
  sigemptyset(&Signals);
  for (int Signal : InterruptSignals) sigaddset(&Signals, Signal);
  return Signals;
}

// Dies of the signal with its default action, so that whoever started the run sees the usual
// status.
[[noreturn]] static void DieOf(int Signal) {
  signal(Signal, SIG_DFL);
  sigset_t Only;
  sigemptyset(&Only);
  sigaddset(&Only, Signal);
  sigprocmask(SIG_UNBLOCK, &Only, nullptr);
  raise(Signal);
  _exit(128 + Signal);
}

// The first signal only asks the run to stop; a second ends it at once. The other interrupts are
// blocked while this runs (sa_mask), so a third cannot cut the emergency short.
static void HandleSignal(int Signal) {
  if (FirstSignal == 0) {
    FirstSignal = Signal;
    return;
  }
  if (EmergencyHandler != nullptr) EmergencyHandler();
  DieOf(Signal);
}

void WatchInterrupts(void (*Emergency)()) {
  EmergencyHandler = Emergency;
  for (int Signal : InterruptSignals) {
    struct sigaction Previous;
    // A run started with the signal ignored (nohup, a background job) keeps it ignored.
    if (sigaction(Signal, nullptr, &Previous) != 0 || Previous.sa_handler == SIG_IGN) continue;
    struct sigaction Action = {};
    Action.sa_handler = HandleSignal;
    Action.sa_mask = InterruptSet();
    sigaction(Signal, &Action, nullptr);
  }
}

bool InterruptRequested() { return FirstSignal != 0; }

void EndAsInterrupted() { DieOf(FirstSignal != 0 ? static_cast<int>(FirstSignal) : SIGINT); }

void DeferInterrupts() {
  const sigset_t Signals = InterruptSet();
  sigprocmask(SIG_BLOCK, &Signals, nullptr);
}

void AllowInterrupts() {
  const sigset_t Signals = InterruptSet();
  sigprocmask(SIG_UNBLOCK, &Signals, nullptr);
}
