// The Win32 process: computer name, process identifier and console control events.
#include "platform/process.h"

#include <windows.h>

std::string HostName() {
  char Name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD Size = sizeof Name;
  return GetComputerNameA(Name, &Size) ? std::string(Name, Size) : std::string("localhost");
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

static void (*volatile InterruptHandler)() = nullptr;

// The handler runs in a thread of its own; it waits here while the main thread defers it.
static CRITICAL_SECTION Deferral;

// Ends the process at once, with the status the default handler gives, so that the main thread
// does nothing more once the handler has let go of what it held.
static BOOL WINAPI HandleConsoleEvent(DWORD) {
  EnterCriticalSection(&Deferral);
  if (InterruptHandler != nullptr) InterruptHandler();
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

void OnInterrupt(void (*Handler)()) {
  InitializeCriticalSection(&Deferral);
  InterruptHandler = Handler;
  SetConsoleCtrlHandler(HandleConsoleEvent, TRUE);
}

void DeferInterrupts() {
  if (InterruptHandler != nullptr) EnterCriticalSection(&Deferral);
}

void AllowInterrupts() {
  if (InterruptHandler != nullptr) LeaveCriticalSection(&Deferral);
}
