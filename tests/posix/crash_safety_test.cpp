// Live runs killed with SIGKILL at many moments never leave an administrative
// file missing, empty or shortened, and never delete a revision file whose
// entry is still listed.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/run_fixture.h"

namespace {

constexpr int DirectoryCount = 60;
constexpr int LinesPerFile = 30;
constexpr int Moments = 30;

class CrashSafetyTest : public TRunTest {
 protected:
  std::string Directory(int Index) const { return PathOf("wc/d" + std::to_string(Index)); }
  static std::string FileName(int Line) {
    return "file" + std::to_string(Line) + (Line % 2 == 0 ? ".obj" : ".c");
  }

  /// Writes every administrative file and revision file afresh.
  void ResetTree() {
    for (int Index = 0; Index < DirectoryCount; ++Index) {
      const std::string Admin = Directory(Index) + "/CVS/";
      std::filesystem::remove(Admin + "Entries.out");
      std::filesystem::remove(Admin + "Entries.Extra.out");
      WriteBytes(Admin + "Entries", Original);
      WriteBytes(Admin + "Entries.Extra", Original);
      WriteBytes(Admin + "Root", ":local:" + PathOf("repo") + "\n");
      WriteBytes(Admin + "Repository", "d" + std::to_string(Index) + "\n");
      for (int Line = 0; Line < LinesPerFile; ++Line)
        WriteBytes(PathOf("repo/d" + std::to_string(Index) + "/" + FileName(Line) + ",v"), "rcs");
    }
  }

  /// Starts a live run; the caller waits for it or kills it.
  pid_t StartLiveRun() {
    std::string Program = ProgramPath("Morvellan");
    std::string Start = PathOf("wc");
    pid_t Child = fork();
    if (Child == 0) {
      freopen("/dev/null", "w", stdout);
      execl(Program.c_str(), Program.c_str(), "-f", Start.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return Child;
  }

  /// Checks every directory; gives how many were rewritten.
  int CheckTree() {
    int Rewritten = 0;
    for (int Index = 0; Index < DirectoryCount; ++Index) {
      SCOPED_TRACE(Directory(Index));
      const std::string Admin = Directory(Index) + "/CVS/";
      std::string Entries = ReadBytes(Admin + "Entries");
      std::string Extra = ReadBytes(Admin + "Entries.Extra");
      EXPECT_TRUE(Entries == Original || Entries == Filtered) << Entries;
      EXPECT_TRUE(Extra == Original || Extra == Filtered) << Extra;
      bool AnyDeleted = false;
      for (int Line = 0; Line < LinesPerFile; Line += 2)
        AnyDeleted |=
            !Exists(PathOf("repo/d" + std::to_string(Index) + "/" + FileName(Line) + ",v"));
      if (AnyDeleted) {
        EXPECT_EQ(Filtered, Entries);
        EXPECT_EQ(Filtered, Extra);
      }
      Rewritten += Entries == Filtered;
    }
    return Rewritten;
  }

  std::string Original;
  std::string Filtered;
};

TEST_F(CrashSafetyTest, KilledLiveRunsLeaveEveryFileWholeOrFiltered) {
  WriteIgnoreFile("*.obj\n");
  for (int Line = 0; Line < LinesPerFile; ++Line) {
    std::string Text = "/" + FileName(Line) + "/1." + std::to_string(Line) + "/Thu Jan  1 2004//";
    Original += Text + "\n";
    if (Line % 2 != 0) Filtered += Text + "\n";
  }
  ResetTree();
  auto Begin = std::chrono::steady_clock::now();
  int Status = 0;
  waitpid(StartLiveRun(), &Status, 0);
  auto Whole = std::chrono::steady_clock::now() - Begin;
  ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  ASSERT_EQ(DirectoryCount, CheckTree());

  int CaughtMidway = 0;
  for (int Moment = 0; Moment < Moments; ++Moment) {
    ResetTree();
    pid_t Child = StartLiveRun();
    std::this_thread::sleep_for(Whole * Moment / Moments);
    kill(Child, SIGKILL);
    waitpid(Child, &Status, 0);
    int Rewritten = CheckTree();
    CaughtMidway += Rewritten > 0 && Rewritten < DirectoryCount;
    if (HasFailure()) break;
  }
  // The moments are spread over a whole run, so many must fall inside it.
  EXPECT_GE(CaughtMidway, Moments / 4);
}

}  // namespace
