// The entry point of Morvellan.
#include "app/run.h"
#include "platform/arguments.h"

int main(int argc, char** argv) {
  SetProgramArguments(argc, argv);
  return RunMorvellan();
}
