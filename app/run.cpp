// The run sequence and the one handler for every exception that ends a run.
#include "app/run.h"

#include <exception>
#include <string>

#include "app/command_line.h"
#include "app/output.h"
#include "app/run_tally.h"
#include "app/working_copy.h"
#include "ignore/ignore_list.h"
#include "platform/exceptions.h"
#include "platform/failure_report.h"
#include "platform/line_file.h"
#include "platform/raw_file.h"

static const char* const UsageLines[] = {
    "Usage: Morvellan [-f] path",
    "  where 'path' is the directory to remove ignored files",
    "    or the full path and filename for the file to be removed",
    "    from the CSV repository.",
    "  The -f option forces the changes to be made to the disk,",
    "    otherwise no changes are made and proposed changes are",
    "    written to the log file.",
    "  Log file is written to Morvellan.log",
};

// Without patterns, directory mode removes nothing it was meant to.
static void ReadIgnorePatterns() {
  const TIgnoreFile File = FindIgnoreFile();
  if (!File.Present) {
    const std::string Line = "Cannot open .cvsignore from " + File.Path;
    return TargetFileName.empty() ? EchoShortfall(Line) : EchoLine(Line);
  }
  EchoLine("Ignored files read from: " + File.Path);
  LoadIgnoreList(File.Path);
}

static int RunWithLog() {
  if (const int Code = OpenLog()) {
    EchoLine("Cannot create log file (" + SystemErrorText(Code) + "): " + std::string(LogFileName));
    return 1;
  }
  ParseCommandLine();
  if (StartDirectory.empty()) {
    CloseLog();
    return 1;
  }
  ReadIgnorePatterns();
  if (TargetFileName.empty()) {
    WalkWorkingCopy(StartDirectory);
  } else {
    ProcessAdminDirectory(StartDirectory + "CVS");  // StartDirectory ends in the separator
  }
  IgnoreList.clear();
  EchoLine(SummaryLine(Tally, LiveMode));
  EchoLine("Log file written to Morvellan.log");
  CloseLog();
  return Tally.LeftSomethingUndone ? 2 : 0;
}

// The log is closed first, so that it keeps every line written before the failure.
[[noreturn]] static void EndWithFailure(const Exception& Failure) {
  CloseLog();
  ReportFailureAndExit(Failure);
}

static int RunSequence() {
  switch (RequestOfArguments()) {
    case rqUsage:
      for (const char* Line : UsageLines) EchoLine(Line);
      return 0;
    case rqVersion:
      EchoLine("Morvellan " MORVELLAN_VERSION);
      return 0;
    case rqRun:
      break;
  }
  return RunWithLog();
}

int RunMorvellan() { return RunReportingFailures(RunSequence); }

int RunReportingFailures(int (*Body)()) {
  InstallOutOfMemoryHandler();
  int Status = 0;
  try {
    Status = Body();
  } catch (const Exception& Failure) {
    EndWithFailure(Failure);
  } catch (const std::exception& Failure) {
    EndWithFailure(Exception(Failure.what()));
  }
  LineFileClose(StdOutFile);
  return Status;
}
