// The fixture for runs of the built program.
#include "tests/support/run_fixture.h"

#include <filesystem>

#include "platform/file_system.h"
#include "tests/support/profile.h"

void TRunTest::SetUp() {
  TTempDirTest::SetUp();
  MakeDirectories(PathOf("home"));
  Profile = UseProfileFolder(PathOf("home"));
  if (Exists(IgnoreFile())) SavedIgnoreFile = ReadBytes(IgnoreFile());
  std::filesystem::remove(IgnoreFile());
}

void TRunTest::TearDown() {
  std::filesystem::remove(IgnoreFile());
  if (SavedIgnoreFile) WriteBytes(IgnoreFile(), *SavedIgnoreFile);
  RestoreProfileFolder();
  TTempDirTest::TearDown();
}

TProcessResult TRunTest::Run(const std::vector<std::string>& Arguments, bool MergeStdErr) {
  return RunProgram("Morvellan", Arguments, MergeStdErr);
}

TProcessResult TRunTest::RunReadingAhead(const char* Mode,
                                         const std::vector<std::string>& Arguments) {
  SetChildEnvironment("MORVELLAN_READAHEAD", Mode);
  TProcessResult Result = Run(Arguments);
  SetChildEnvironment("MORVELLAN_READAHEAD", "");
  return Result;
}

TProcessResult TRunTest::RunBothWays(const std::vector<std::string>& Arguments) {
  TProcessResult Off = RunReadingAhead("off", Arguments);
  const std::string OffLog = Log();
  TProcessResult On = RunReadingAhead("on", Arguments);
  EXPECT_EQ(Off.ExitCode, On.ExitCode);
  EXPECT_EQ(Off.StdOut, On.StdOut);
  EXPECT_EQ(Off.StdErr, On.StdErr);
  EXPECT_EQ(OffLog, Log());
  return Off;
}

void TRunTest::WriteIgnoreFile(const std::string& Bytes) { WriteBytes(IgnoreFile(), Bytes); }

std::string TRunTest::PathSeparator() { return std::string(1, PathDelimiter); }
