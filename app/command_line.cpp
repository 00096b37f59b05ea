// Command-line interpretation.
#include "app/command_line.h"

#include "app/output.h"
#include "platform/arguments.h"
#include "platform/file_system.h"
#include "platform/text.h"

bool LiveMode = false;
std::string StartDirectory;
std::string TargetFileName;

static bool IsHelpOption(const std::string& Argument) {
  return Argument == "--help" || Argument == "-h" || Argument == "-?" ||
         (SlashOptions && Argument == "/?");
}

TRequest RequestOfArguments() {
  if (ArgumentCount() == 0) return rqUsage;
  for (int Index = 1; Index <= ArgumentCount(); ++Index) {
    const std::string Argument = ArgumentAt(Index);
    if (IsHelpOption(Argument)) return rqUsage;
    if (Argument == "--version") return rqVersion;
  }
  return rqRun;
}

static void TakePathArgument(const std::string& Argument) {
  StartDirectory = Argument;
  TargetFileName.clear();
  if (IsDirectory(Argument)) return;
  TargetFileName = NamePart(Argument);
  StartDirectory = DirectoryPart(Argument);
}

void ParseCommandLine() {
  LiveMode = false;
  StartDirectory.clear();
  TargetFileName.clear();
  for (int Index = 1; Index <= ArgumentCount(); ++Index) {
    std::string Argument = ArgumentAt(Index);
    if (LowerAscii(Argument) == "-f") {
      LiveMode = true;
    } else if (Argument[0] == '-') {
      EchoLine("Unknown option ignored: " + Argument);
    } else {
      TakePathArgument(Argument);
    }
  }
  if (!IsDirectory(StartDirectory)) {
    EchoLine("Cannot find directory: " + StartDirectory);
    StartDirectory.clear();
  } else if (LiveMode) {
    EchoLine("Live mode selected: CVS files will be modified");
  } else {
    EchoLine("Test mode.  No CVS files will be changed.");
  }
}
