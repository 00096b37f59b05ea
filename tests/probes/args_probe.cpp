// Prints the arguments as the platform cuts them, one "[argument]" per line, with a "?" after one
// that the ANSI code page cannot hold.
#include "platform/arguments.h"
#include "platform/line_file.h"

int main(int argc, char** argv) {
  SetProgramArguments(argc, argv);
  for (int Index = 1; Index <= ArgumentCount(); ++Index)
    LineFileWriteLine(StdOutFile,
                      "[" + ArgumentAt(Index) + "]" + (ArgumentInCodePage(Index) ? "" : "?"));
  LineFileClose(StdOutFile);
  return 0;
}
