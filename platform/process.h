// The running process: its identity and the interrupts that stop it. Bodies in
// posix/ and win32/process.cpp.
#ifndef MORVELLAN_PLATFORM_PROCESS_H
#define MORVELLAN_PLATFORM_PROCESS_H

#include <string>

/// The machine's host name, as CVS puts it into its lock file names.
std::string HostName();
/// The process's identifier. Safe in a signal handler.
unsigned long ProcessId();
/// Whether a process with that identifier runs on this machine; true when the
/// system cannot say.
bool ProcessRunning(unsigned long Id);

/// Watches for interrupts (POSIX: SIGINT, SIGTERM and SIGHUP, unless the
/// signal was ignored when the process started; Windows: the console control
/// events). The first only asks the run to stop: InterruptRequested() turns
/// true, and the run ends itself at a safe point with EndAsInterrupted. A
/// second calls Emergency and ends the process at once, as the interrupt
/// would have ended it. Emergency runs in a signal handler (with the other
/// interrupts blocked) or in the system's console control thread (once the
/// main thread is outside DeferInterrupts): it may only read what was
/// prepared in advance and call functions said to be safe there.
void WatchInterrupts(void (*Emergency)());
/// Whether an interrupt has asked the run to stop.
bool InterruptRequested();
/// Ends the process as the first interrupt would have: POSIX by the same
/// signal with its default action, so that the shell sees 128 + its number;
/// Windows with exit status 3.
[[noreturn]] void EndAsInterrupted();
/// Between these two calls a second interrupt's Emergency waits: a step and
/// its record (a lock made and noted, a lock forgotten and removed, a file
/// deleted) then happen together, before Emergency runs or after it. The
/// calls do not nest. A thread started between them never receives an
/// interrupt (POSIX: it keeps the blocked signal mask), so that the handlers
/// run on the main thread, which owns what they touch.
void DeferInterrupts();
void AllowInterrupts();

/// Interrupts wait for as long as it lives.
class TInterruptsDeferred {
 public:
  TInterruptsDeferred() { DeferInterrupts(); }
  ~TInterruptsDeferred() { AllowInterrupts(); }
  TInterruptsDeferred(const TInterruptsDeferred&) = delete;
  TInterruptsDeferred& operator=(const TInterruptsDeferred&) = delete;
};

#endif
