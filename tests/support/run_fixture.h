// Runs of the built Morvellan in a temporary directory with a profile folder
// of the test's own.
#ifndef MORVELLAN_TESTS_SUPPORT_RUN_FIXTURE_H
#define MORVELLAN_TESTS_SUPPORT_RUN_FIXTURE_H

#include <optional>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

class TRunTest : public TTempDirTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Runs Morvellan in the test's directory.
  TProcessResult Run(const std::vector<std::string>& Arguments, bool MergeStdErr = false);
  /// Runs Morvellan with its read-ahead forced "on" or "off".
  TProcessResult RunReadingAhead(const char* Mode, const std::vector<std::string>& Arguments);
  /// A run that changes nothing, made with the read-ahead off and on: both
  /// must give the same status, console and log. Gives the first.
  TProcessResult RunBothWays(const std::vector<std::string>& Arguments);
  /// Writes the user's .cvsignore; the test's own is removed afterwards.
  void WriteIgnoreFile(const std::string& Bytes);
  /// The path Morvellan reports for the ignore file.
  std::string IgnoreFile() const { return Profile + PathSeparator() + ".cvsignore"; }
  static std::string PathSeparator();
  /// The log of the last run.
  std::string Log() const { return ReadBytes(Root() + "Morvellan.log"); }

  std::string Profile;

 private:
  std::optional<std::string> SavedIgnoreFile;
};

#endif
