// The run sequence and the one handler for every exception that ends a run.
#include "app/run.h"

#include <exception>

#include "app/command_line.h"
#include "app/output.h"
#include "app/working_copy.h"
#include "ignore/ignore_list.h"
#include "platform/arguments.h"
#include "platform/exceptions.h"
#include "platform/failure_report.h"
#include "platform/line_file.h"

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

static void RunWithLog() {
  OpenLog();
  ParseCommandLine();
  if (!StartDirectory.empty()) {
    LoadIgnoreList();
    if (TargetFileName.empty()) {
      WalkWorkingCopy(StartDirectory);
    } else {
      ProcessAdminDirectory(StartDirectory + "CVS");  // StartDirectory ends in the separator
    }
    IgnoreList.clear();
    EchoLine("Log file written to Morvellan.log");
  }
  CloseLog();
}

// The log is closed first, so that it keeps every line written before the failure.
[[noreturn]] static void EndWithFailure(const Exception& Failure) {
  CloseLog();
  ReportFailureAndExit(Failure);
}

static void RunSequence() {
  if (ArgumentCount() == 0) {
    for (const char* Line : UsageLines) EchoLine(Line);
  } else {
    RunWithLog();
  }
}

int RunMorvellan() { return RunReportingFailures(RunSequence); }

int RunReportingFailures(void (*Body)()) {
  InstallOutOfMemoryHandler();
  try {
    Body();
  } catch (const Exception& Failure) {
    EndWithFailure(Failure);
  } catch (const std::exception& Failure) {
    EndWithFailure(Exception(Failure.what()));
  }
  LineFileClose(StdOutFile);
  return 0;
}
