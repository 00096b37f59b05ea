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

void TRunTest::WriteIgnoreFile(const std::string& Bytes) { WriteBytes(IgnoreFile(), Bytes); }

std::string TRunTest::PathSeparator() { return std::string(1, PathDelimiter); }
