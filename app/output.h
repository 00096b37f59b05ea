// The writers every line of a run goes through: the console and the log.
#ifndef MORVELLAN_APP_OUTPUT_H
#define MORVELLAN_APP_OUTPUT_H

#include <string>
#include <string_view>

#include "platform/line_file.h"

/// The log's name, relative: it lies in the current directory.
inline constexpr std::string_view LogFileName = "Morvellan.log";

/// How much of the log the console shows besides the lines it always shows.
enum TConsoleDetail {
  cdNormal,   ///< every EchoLine line
  cdQuiet,    ///< the same without the Processing lines
  cdVerbose,  ///< every line of the log
};

/// The console and the log of one run.
class TOutput {
 public:
  explicit TOutput(TConsoleDetail Detail = cdNormal) : Detail(Detail) {}
  ~TOutput() { CloseLog(); }
  TOutput(const TOutput&) = delete;
  TOutput& operator=(const TOutput&) = delete;

  /// Creates Morvellan.log empty, replacing any file of that name (a link of
  /// that name is replaced, never written through). 0, or the system's error
  /// code when it cannot be created; log lines are then dropped.
  int OpenLog();
  /// Writes out the log's buffered lines and closes it; harmless when not open.
  void CloseLog();
  /// Whether a line could not be written to the log (or the log not closed),
  /// and the system's reason.
  bool LogFailed() const { return LineFileFailed(Log); }
  int LogErrorCode() const { return LineFileErrorCode(Log); }

  /// Writes the line to the console, then to the log.
  void EchoLine(std::string_view Text);
  /// EchoLine for a Processing line, which a quiet console leaves out.
  void ProgressLine(std::string_view Text);
  /// Writes the line to the log only; to a verbose console too.
  void LogLine(std::string_view Text);
  /// Hands the console's and the log's buffered lines to the system, so that
  /// a change made next is never missing from them if the run is killed.
  /// False when the log could not be written.
  bool HandOn();

 private:
  TConsoleDetail Detail;
  TLineFile Log;
};

#endif
