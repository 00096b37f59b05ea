// The failure report: its text and the steps that end the process.
#include "platform/failure_report.h"

#include <cstdio>
#include <cstdlib>

#include "platform/exceptions.h"
#include "platform/line_file.h"
#include "platform/raw_file.h"

static constexpr std::size_t MaxReportLength = 1023;

std::string FormatFailureReport(std::string_view ClassName, std::string_view ModuleName,
                                uint32_t CodeOffset, std::string_view Message) {
  char Offset[9];
  std::snprintf(Offset, sizeof Offset, "%08X", static_cast<unsigned>(CodeOffset));
  std::string Report = "Exception ";
  Report.append(ClassName).append(" in module ").append(ModuleName);
  Report.append(" at ").append(Offset).append(".").append(LineEnd).append(Message);
  if (!Message.empty() && Message.back() != '.') Report += '.';
  Report += LineEnd;
  if (Report.size() > MaxReportLength) Report.resize(MaxReportLength);
  return Report;
}

void ReportFailureAndExit(const Exception& Failure) {
  // Normal output first, so that it precedes the report wherever both end up.
  LineFileClose(StdOutFile);
  std::string Report =
      FormatFailureReport(Failure.ClassName(), ExecutableFileName(),
                          CodeOffsetInExecutable(Failure.Location()), Failure.Message());
  RawWriteStdErr(ToConsoleCodePage(std::move(Report)).append(LineEnd));
  std::exit(1);
}
