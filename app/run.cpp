// The run sequence and the one handler for every exception that ends a run.
#include "app/run.h"

#include <cstdlib>
#include <exception>
#include <string>

#include "app/cleanup_run.h"
#include "app/command_line.h"
#include "app/held_files.h"
#include "app/output.h"
#include "app/working_copy.h"
#include "ignore/ignore_list.h"
#include "platform/arguments.h"
#include "platform/exceptions.h"
#include "platform/failure_report.h"
#include "platform/line_file.h"
#include "platform/process.h"
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

// The patterns of the run. CVS reads $CVSIGNORE after ~/.cvsignore, and a "!" there empties
// everything read before it: then CVS ignores nothing by the user's patterns, and neither may
// Morvellan remove by them.
static TStringList ReadIgnorePatterns(const TRunSettings& Settings, TOutput& Output,
                                      TRunTally& Tally) {
  TStringList Patterns;
  const TIgnoreFile File = FindIgnoreFile();
  if (File.Present) {
    Output.EchoLine("Ignored files read from: " + File.Path);
    Patterns = LoadIgnoreList(File.Path);
  } else {
    Output.EchoLine("Cannot open .cvsignore from " + File.Path);
    // Without patterns, directory mode removes nothing it was meant to.
    Tally.Shortfalls += Settings.TargetFileName.empty();
  }
  const char* Environment = std::getenv("CVSIGNORE");
  if (Environment != nullptr && HoldsListReset(Environment)) {
    Output.EchoLine("Ignore list emptied by \"!\" in CVSIGNORE: nothing is removed by pattern");
    Patterns.clear();
  }
  return Patterns;
}

// Ends the run's output: the summary, and the log line only when the log holds every line.
static int FinishRun(TCleanupRun& Run) {
  TOutput& Output = Run.Output;
  if (InterruptRequested()) Output.EchoLine("Interrupted.");
  if (!Output.LogFailed()) {
    Output.EchoLine(SummaryLine(Run.Tally, Run.Settings.LiveMode));
    if (Output.HandOn()) Output.EchoLine("Log file written to Morvellan.log");
  }
  Output.CloseLog();
  if (Output.LogFailed()) {
    LineFileWriteLine(StdOutFile, "Cannot write log file (" +
                                      SystemErrorText(Output.LogErrorCode()) +
                                      "): " + std::string(LogFileName));
    return 1;
  }
  return ExitStatusOf(Run.Tally);
}

static int RunWithLog(const TArguments& Arguments, TOutput& Output) {
  if (const int Code = Output.OpenLog()) {
    LineFileWriteLine(StdOutFile, "Cannot create log file (" + SystemErrorText(Code) +
                                      "): " + std::string(LogFileName));
    return 1;
  }
  TRunSettings Settings;
  if (!ParseCommandLine(Arguments, Settings, Output)) {
    Output.CloseLog();
    return 1;
  }
  WatchInterruptsForTheRun();
  TRunTally Tally;
  const TIgnoreList Patterns(ReadIgnorePatterns(Settings, Output, Tally));
  const TRemovalTest Test(Patterns, Settings.TargetFileName);
  TCleanupRun Run(Settings, Test, Output);
  Run.Tally = Tally;
  Run.PatternsInUse = !Run.SingleFile() && !Patterns.Patterns().empty();
  if (Run.SingleFile()) {
    CleanTargetDirectory(Run);
    if (Run.Tally.TargetUnknown && !Run.Stopping())
      Output.EchoLine("Not known to CVS here: " + Settings.TargetPath);
  } else {
    WalkWorkingCopy(Run);
  }
  const int Status = FinishRun(Run);
  if (!InterruptRequested()) return Status;
  LineFileClose(StdOutFile);
  EndAsInterrupted();
}

// The refusal goes to standard error, and nothing else happens.
static int Refuse(const std::string& Why) {
  const std::string Name = ProgramName().empty() ? "Morvellan" : ProgramName();
  RawWriteStdErr(Why + std::string(LineEnd) + "Try '" + Name + " --help'." + std::string(LineEnd));
  return 1;
}

int RunMorvellan() {
  const TArguments Arguments = ReadArguments();
  TOutput Output(Arguments.ConsoleDetail);
  return RunReportingFailures(Output, [&] {
    switch (Arguments.Request) {
      case rqUsage:
        for (const char* Line : UsageLines) Output.EchoLine(Line);
        return 0;
      case rqVersion:
        Output.EchoLine("Morvellan " MORVELLAN_VERSION);
        return 0;
      case rqRefused:
        return Refuse(Arguments.Refusal);
      case rqRun:
        break;
    }
    return RunWithLog(Arguments, Output);
  });
}

// The log is closed first, so that it keeps every line written before the failure.
[[noreturn]] static void EndWithFailure(TOutput& Output, const Exception& Failure) {
  Output.CloseLog();
  ReportFailureAndExit(Failure);
}

int RunReportingFailures(TOutput& Output, const std::function<int()>& Body) {
  InstallOutOfMemoryHandler();
  int Status = 0;
  try {
    Status = Body();
  } catch (const Exception& Failure) {
    EndWithFailure(Output, Failure);
  } catch (const std::exception& Failure) {
    EndWithFailure(Output, Exception(Failure.what()));
  }
  LineFileClose(StdOutFile);
  return Status;
}
