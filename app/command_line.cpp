// Command-line interpretation.
#include "app/command_line.h"

#include "platform/arguments.h"
#include "platform/file_system.h"
#include "platform/text.h"

static bool IsHelpOption(const std::string& Argument) {
  return Argument == "--help" || Argument == "-h" || Argument == "-?" ||
         (SlashOptions && Argument == "/?");
}

namespace {

// The arguments read so far: what they ask, and the first reason to refuse them.
class TArgumentReader {
 public:
  void Add(int Index);
  TArguments Result() const;

 private:
  void Refuse(std::string Why) {
    if (Refusal.empty()) Refusal = std::move(Why);
  }
  void AskMode(bool Live) {
    if (Live ? AskedTest : AskedLive) Refuse("Both live and test mode asked for");
    (Live ? AskedLive : AskedTest) = true;
  }
  void TakeOption(const std::string& Argument);
  void TakePath(const std::string& Argument);

  TArguments Read;
  TRequest Informational = rqRun;
  std::string Refusal;
  bool AskedLive = false;
  bool AskedTest = false;
  bool OptionsEnded = false;
  bool HasPath = false;
};

}  // namespace

void TArgumentReader::Add(int Index) {
  const std::string Argument = ArgumentAt(Index);
  if (!ArgumentInCodePage(Index)) return Refuse("Path not in the ANSI code page: " + Argument);
  if (OptionsEnded || (Argument[0] != '-' && !IsHelpOption(Argument))) return TakePath(Argument);
  if (Argument == "--") {
    OptionsEnded = true;
    return;
  }
  TakeOption(Argument);
}

void TArgumentReader::TakeOption(const std::string& Argument) {
  if (IsHelpOption(Argument) || Argument == "--version") {
    if (Informational == rqRun) Informational = Argument == "--version" ? rqVersion : rqUsage;
  } else if (LowerAscii(Argument) == "-f") {
    AskMode(true);
  } else if (Argument == "-n" || Argument == "--dry-run") {
    AskMode(false);
  } else if (Argument == "-q" || Argument == "--quiet") {
    Read.ConsoleDetail = cdQuiet;
  } else if (Argument == "-v" || Argument == "--verbose") {
    Read.ConsoleDetail = cdVerbose;
  } else {
    Refuse("Unknown option: " + Argument);
  }
}

void TArgumentReader::TakePath(const std::string& Argument) {
  if (HasPath) return Refuse("Only one path may be given: " + Argument);
  HasPath = true;
  Read.Path = Argument;
}

TArguments TArgumentReader::Result() const {
  TArguments Result = Read;
  Result.LiveMode = AskedLive;
  if (Informational != rqRun) {
    Result.Request = Informational;
  } else if (!Refusal.empty()) {
    Result.Request = rqRefused;
    Result.Refusal = Refusal;
  }
  return Result;
}

TArguments ReadArguments() {
  if (ArgumentCount() == 0) {
    TArguments Usage;
    Usage.Request = rqUsage;
    return Usage;
  }
  TArgumentReader Reader;
  for (int Index = 1; Index <= ArgumentCount(); ++Index) Reader.Add(Index);
  return Reader.Result();
}

bool ParseCommandLine(const TArguments& Arguments, TRunSettings& Settings, TOutput& Output) {
  Settings.LiveMode = Arguments.LiveMode;
  Settings.ConsoleDetail = Arguments.ConsoleDetail;
  Settings.StartDirectory = Arguments.Path;
  Settings.TargetFileName.clear();
  if (!Arguments.Path.empty() && !IsDirectory(Arguments.Path)) {
    Settings.TargetPath = Arguments.Path;
    Settings.TargetFileName = NamePart(Arguments.Path);
    Settings.StartDirectory = DirectoryPart(Arguments.Path);
  }
  if (!IsDirectory(Settings.StartDirectory)) {
    Output.EchoLine("Cannot find directory: " + Settings.StartDirectory);
    Settings.StartDirectory.clear();
    return false;
  }
  Output.EchoLine(Settings.LiveMode ? "Live mode selected: CVS files will be modified"
                                    : "Test mode.  No CVS files will be changed.");
  return true;
}
