// Win32 child processes: CreateProcessW with inherited file handles.
#include "tests/support/process.h"

#include <windows.h>

#include "tests/support/capture.h"
#include "tests/support/win32/command_line_process.h"

void SetChildEnvironment(const std::string& Name, const std::string& Value) {
  SetEnvironmentVariableA(Name.c_str(), Value.empty() ? nullptr : Value.c_str());
}

std::string ProgramPath(const std::string& Name) {
  char Self[MAX_PATH];
  DWORD Length = GetModuleFileNameA(nullptr, Self, MAX_PATH);
  std::string Path(Self, Length);
  return Path.substr(0, Path.rfind('\\') + 1) + Name + ".exe";
}

static HANDLE CreateCaptureFile(const std::string& Path) {
  SECURITY_ATTRIBUTES Inherit{sizeof Inherit, nullptr, TRUE};
  return CreateFileA(Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &Inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TProcessResult RunCommandLine(const std::wstring& Program, std::wstring CommandLine,
                              bool MergeStdErr) {
  std::string OutPath = NewCapturePath();
  std::string ErrPath = MergeStdErr ? OutPath : NewCapturePath();
  HANDLE Out = CreateCaptureFile(OutPath);
  HANDLE Err = MergeStdErr ? Out : CreateCaptureFile(ErrPath);
  STARTUPINFOW Startup{};
  Startup.cb = sizeof Startup;
  Startup.dwFlags = STARTF_USESTDHANDLES;
  Startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  Startup.hStdOutput = Out;
  Startup.hStdError = Err;
  PROCESS_INFORMATION Process{};
  TProcessResult Result;
  if (CreateProcessW(Program.c_str(), CommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &Startup, &Process)) {
    WaitForSingleObject(Process.hProcess, INFINITE);
    DWORD Code = 0;
    GetExitCodeProcess(Process.hProcess, &Code);
    Result.ExitCode = static_cast<int>(Code);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
  }
  CloseHandle(Out);
  if (!MergeStdErr) CloseHandle(Err);
  Result.StdOut = TakeCapture(OutPath);
  if (!MergeStdErr) Result.StdErr = TakeCapture(ErrPath);
  return Result;
}

static std::wstring Widened(const std::string& Text) {
  std::wstring Wide(Text.size(), L'\0');
  Wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), Wide.data(),
                          static_cast<int>(Wide.size()))));
  return Wide;
}

TProcessResult RunCommandLine(const std::string& Program, std::string CommandLine,
                              bool MergeStdErr) {
  return RunCommandLine(Widened(Program), Widened(CommandLine), MergeStdErr);
}

TProcessResult RunProgram(const std::string& Name, const std::vector<std::string>& Arguments,
                          bool MergeStdErr) {
  std::string Program = ProgramPath(Name);
  std::string CommandLine = "\"" + Program + "\"";
  for (const std::string& Argument : Arguments) {
    bool Quote = Argument.empty() || Argument.find_first_of(" \t") != std::string::npos;
    CommandLine += Quote ? " \"" + Argument + "\"" : " " + Argument;
  }
  return RunCommandLine(Program, CommandLine, MergeStdErr);
}
