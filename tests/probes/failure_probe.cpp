// Ends the way its first argument says, under the program's own failure
// handler, after writing two lines to the console and the log:
//   missing <path>    loading a file that cannot be opened
//   message <text>    an Exception with that message
//   memory            an allocation that cannot be satisfied
//   none              no failure
#include <cstddef>
#include <string>
#include <vector>

#include "app/output.h"
#include "app/run.h"
#include "platform/arguments.h"
#include "platform/exceptions.h"
#include "platform/text.h"

static TOutput Output;

static int Fail() {
  Output.OpenLog();
  Output.EchoLine("first line");
  Output.EchoLine("second line");
  std::string Mode = ArgumentAt(1);
  if (Mode == "missing") {
    TStringList Lines;
    LoadLinesFromFile(Lines, ArgumentAt(2));
  } else if (Mode == "message") {
    throw Exception(ArgumentAt(2));
  } else if (Mode == "memory") {
    std::vector<char> Huge(static_cast<std::size_t>(-1) / 2);
  }
  Output.CloseLog();
  return 0;
}

int main(int argc, char** argv) {
  SetProgramArguments(argc, argv);
  return RunReportingFailures(Output, Fail);
}
