// Console and log output.
#include "app/output.h"

#include <string>

int TOutput::OpenLog() {
  LineFileAssign(Log, std::string(LogFileName));
  LineFileCreate(Log);
  return LineFileFailed(Log) ? LineFileErrorCode(Log) : 0;
}

void TOutput::CloseLog() { LineFileClose(Log); }

void TOutput::EchoLine(std::string_view Text) {
  LineFileWriteLine(StdOutFile, Text);
  LineFileWriteLine(Log, Text);
}

void TOutput::ProgressLine(std::string_view Text) {
  if (Detail != cdQuiet) LineFileWriteLine(StdOutFile, Text);
  LineFileWriteLine(Log, Text);
}

void TOutput::LogLine(std::string_view Text) {
  if (Detail == cdVerbose) LineFileWriteLine(StdOutFile, Text);
  LineFileWriteLine(Log, Text);
}

bool TOutput::HandOn() {
  LineFileHandOn(StdOutFile);
  LineFileHandOn(Log);
  return !LogFailed();
}
