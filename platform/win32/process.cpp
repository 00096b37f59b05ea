// The Win32 process: computer name, process identifier and the console control events.
#include "platform/process.h"

#include <windows.h>

#include <atomic>

#include "platform/win32/wide.h"

std::string HostName() {
  wchar_t Name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD Size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(Name, &Size)) return "localhost";
  return ToAnsi(std::wstring_view(Name, Size));
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

bool ProcessRunning(unsigned long Id) {
  const auto Process = static_cast<DWORD>(Id);
  if (Process == 0 || Process != Id) return true;
  HANDLE Handle = OpenProcess(SYNCHRONIZE, FALSE, Process);
  // Refused access still means that the process is there.
  if (Handle == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  const bool Running = WaitForSingleObject(Handle, 0) == WAIT_TIMEOUT;
  CloseHandle(Handle);
  return Running;
}

static constexpr UINT InterruptedStatus = 3;

static void (*volatile EmergencyHandler)() = nullptr;
static std::atomic<long> Interrupts = 0;

// Held by the main thread between DeferInterrupts and AllowInterrupts, and by the emergency.
static struct TDeferral {
  CRITICAL_SECTION Section;
  TDeferral() { InitializeCriticalSection(&Section); }
} Deferral;

// Each event runs this on a thread of its own, but one event after the other: the system calls
// the handlers for the next event only once this has returned. So the first Ctrl-C or Ctrl-Break
// only asks the run to stop and returns, and a second one ends the process at once. A close,
// logoff or shutdown event ends the process as soon as this returns, so the first of those waits
// here until the main thread has reached a safe point and ended the process itself.
static BOOL WINAPI HandleConsoleEvent(DWORD Event) {
  if (++Interrupts == 1) {
    if (Event == CTRL_C_EVENT || Event == CTRL_BREAK_EVENT) return TRUE;
    Sleep(INFINITE);
  }
  EnterCriticalSection(&Deferral.Section);
  if (EmergencyHandler != nullptr) EmergencyHandler();
  TerminateProcess(GetCurrentProcess(), InterruptedStatus);
  return TRUE;
}

void WatchInterrupts(void (*Emergency)()) {
  EmergencyHandler = Emergency;
  SetConsoleCtrlHandler(HandleConsoleEvent, TRUE);
}

bool InterruptRequested() { return Interrupts != 0; }

void EndAsInterrupted() {
  // Not in the middle of an emergency, which ends the process itself with the same status; and at
  // once, as that does, since an orderly exit could wait for a lock that a waiting handler holds.
  EnterCriticalSection(&Deferral.Section);
  TerminateProcess(GetCurrentProcess(), InterruptedStatus);
  ExitProcess(
      InterruptedStatus);  // for the compiler: TerminateProcess is not marked as not returning
}

void DeferInterrupts() { EnterCriticalSection(&Deferral.Section); }

void AllowInterrupts() { LeaveCriticalSection(&Deferral.Section); }
