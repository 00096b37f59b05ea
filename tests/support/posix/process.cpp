// POSIX child processes: fork and exec, output redirected to files.
#include "tests/support/process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "tests/support/capture.h"
#include "tests/support/posix/limited_process.h"

void SetChildEnvironment(const std::string& Name, const std::string& Value) {
  if (Value.empty())
    unsetenv(Name.c_str());
  else
    setenv(Name.c_str(), Value.c_str(), 1);
}

std::string ProgramPath(const std::string& Name) {
  char Self[PATH_MAX];
  ssize_t Length = readlink("/proc/self/exe", Self, sizeof Self - 1);
  std::string Path(Self, Length > 0 ? static_cast<std::size_t>(Length) : 0);
  return Path.substr(0, Path.rfind('/') + 1) + Name;
}

// Runs the program as RunProgram does; with a Resource of 0 or more, that limit is set in the
// child first.
static TProcessResult RunLimited(const std::string& Name, const std::vector<std::string>& Arguments,
                                 bool MergeStdErr, int Resource, rlim_t Limit) {
  std::string OutPath = NewCapturePath();
  std::string ErrPath = MergeStdErr ? OutPath : NewCapturePath();
  std::string Program = ProgramPath(Name);
  std::vector<char*> Argv{Program.data()};
  std::vector<std::string> Copies = Arguments;
  for (std::string& Argument : Copies) Argv.push_back(Argument.data());
  Argv.push_back(nullptr);

  pid_t Child = fork();
  if (Child == 0) {
    const rlimit Wanted{Limit, Limit};
    if (Resource >= 0 && setrlimit(Resource, &Wanted) != 0) _exit(126);
    int Out = open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int Err = MergeStdErr ? Out : open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(Out, STDOUT_FILENO);
    dup2(Err, STDERR_FILENO);
    execv(Program.c_str(), Argv.data());
    _exit(127);
  }
  int Status = 0;
  waitpid(Child, &Status, 0);
  TProcessResult Result;
  Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  Result.StdOut = TakeCapture(OutPath);
  if (!MergeStdErr) Result.StdErr = TakeCapture(ErrPath);
  return Result;
}

TProcessResult RunProgram(const std::string& Name, const std::vector<std::string>& Arguments,
                          bool MergeStdErr) {
  return RunLimited(Name, Arguments, MergeStdErr, -1, 0);
}

TProcessResult RunProgramUnderLimit(const std::string& Name,
                                    const std::vector<std::string>& Arguments, int Resource,
                                    unsigned long Limit) {
  return RunLimited(Name, Arguments, false, Resource, Limit);
}
