// The running process: its identity and the interrupts that end it. Bodies in
// posix/ and win32/process.cpp.
#ifndef MORVELLAN_PLATFORM_PROCESS_H
#define MORVELLAN_PLATFORM_PROCESS_H

#include <string>

/// The machine's host name, as CVS puts it into its lock file names.
std::string HostName();
/// The process's identifier. Safe in a signal handler.
unsigned long ProcessId();

/// Calls Handler when the process is interrupted (POSIX: SIGINT, SIGTERM or
/// SIGHUP, unless the signal was ignored when the process started; Windows: a
/// console control event), and then lets the process end as it would have
/// without it. Handler runs in a signal handler or the system's console
/// control thread: it may only read what was prepared in advance and call
/// functions said to be safe there.
void OnInterrupt(void (*Handler)());
/// Between these two calls an interrupt waits: a step and its record (a lock
/// made and noted, a lock forgotten and removed) then happen together, before
/// the handler runs or after it. The calls do not nest.
void DeferInterrupts();
void AllowInterrupts();

#endif
