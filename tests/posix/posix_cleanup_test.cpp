// Cleanup runs that only POSIX sets up here: links that lead back up the walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/run_fixture.h"

namespace {

class PosixCleanupTest : public TRunTest {
 protected:
  void MakeAdmin(const std::string& WorkDir) {
    WriteBytes(PathOf(WorkDir + "/CVS/Entries"), "");
    WriteBytes(PathOf(WorkDir + "/CVS/Root"), ":pserver:host:/cvs\n");
  }
  static int Count(const std::string& Text, const std::string& Part) {
    int Found = 0;
    for (std::size_t Pos = Text.find(Part); Pos != std::string::npos;
         Pos = Text.find(Part, Pos + 1))
      ++Found;
    return Found;
  }
};

TEST_F(PosixCleanupTest, LinkCyclesEndTheDescentOtherLinksAreWalked) {
  MakeAdmin("wc");
  MakeAdmin("wc/sub");
  MakeAdmin("elsewhere");
  std::filesystem::create_directory_symlink(PathOf("wc"), PathOf("wc/sub/up"));
  std::filesystem::create_directory_symlink(PathOf("elsewhere"), PathOf("wc/there"));
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + PathOf("wc/CVS") + "\n"));
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + PathOf("wc/sub/CVS") + "\n"));
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + PathOf("wc/there/CVS") + "\n"));
  EXPECT_EQ(3, Count(Result.StdOut, "Processing: "));
}

}  // namespace
