// Prints the arguments as the platform cuts them, one "[argument]" per line.
#include "platform/arguments.h"
#include "platform/line_file.h"

int main(int argc, char** argv) {
  SetProgramArguments(argc, argv);
  for (int Index = 1; Index <= ArgumentCount(); ++Index)
    LineFileWriteLine(StdOutFile, "[" + ArgumentAt(Index) + "]");
  LineFileClose(StdOutFile);
  return 0;
}
