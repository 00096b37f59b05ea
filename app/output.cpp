// Console and log output.
#include "app/output.h"

#include <string>

#include "platform/dir_scan.h"
#include "platform/line_file.h"

static TLineFile Log;

void OpenLog() {
  LineFileAssign(Log, std::string(LogFileName));
  LineFileCreate(Log);
}

void CloseLog() { LineFileClose(Log); }

void LogLine(std::string_view Text) { LineFileWriteLine(Log, Text); }

void EchoLine(std::string_view Text) {
  LineFileWriteLine(StdOutFile, Text);
  LogLine(Text);
}

void ReportUnlistable(const std::string& Directory, int Code) {
  if (Code == DirScanNoMoreEntries) return;
  EchoLine("Cannot list directory (" + SystemErrorText(Code) + "): " + Directory);
}
