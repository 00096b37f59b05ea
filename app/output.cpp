// Console and log output.
#include "app/output.h"

#include <string>

#include "app/run_tally.h"
#include "platform/dir_scan.h"
#include "platform/line_file.h"

static TLineFile Log;

int OpenLog() {
  LineFileAssign(Log, std::string(LogFileName));
  LineFileCreate(Log);
  return LineFileFailed(Log) ? LastSystemError() : 0;
}

void CloseLog() { LineFileClose(Log); }

void HandOnLog() { LineFileHandOn(Log); }

void LogLine(std::string_view Text) { LineFileWriteLine(Log, Text); }

void EchoLine(std::string_view Text) {
  LineFileWriteLine(StdOutFile, Text);
  LogLine(Text);
}

void EchoLineNow(std::string_view Text) {
  EchoLine(Text);
  LineFileHandOn(StdOutFile);
  HandOnLog();
}

void EchoShortfall(std::string_view Text) {
  EchoLine(Text);
  Tally.LeftSomethingUndone = true;
}

void EchoLeftUnchanged(std::string_view Text) {
  EchoShortfall(Text);
  ++Tally.LeftUnchangedLines;
}

void ReportUnlistable(const std::string& Directory, int Code) {
  if (Code == DirScanNoMoreEntries) return;
  EchoShortfall("Cannot list directory (" + SystemErrorText(Code) + "): " + Directory);
}
