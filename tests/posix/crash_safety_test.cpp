// Live runs killed with SIGKILL at many moments never leave an administrative
// file missing, empty or shortened, never delete a revision file whose entry
// is still listed, and leave a log that names every revision file gone. Runs
// ended by SIGTERM leave no repository lock behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/support/run_fixture.h"

namespace {

constexpr int DirectoryCount = 120;
constexpr int LinesPerFile = 10;
constexpr int Moments = 30;

class CrashSafetyTest : public TRunTest {
 protected:
  std::string Directory(int Index) const { return PathOf("wc/d" + std::to_string(Index)); }
  static std::string FileName(int Line) {
    return "file" + std::to_string(Line) + (Line % 2 == 0 ? ".obj" : ".c");
  }

  /// Writes every administrative file and revision file afresh; a killed run's locks go too.
  void ResetTree() {
    if (Exists(PathOf("repo")))
      for (const auto& Entry : std::filesystem::recursive_directory_iterator(PathOf("repo")))
        if (Entry.path().filename().string().starts_with("#cvs.")) Stale.push_back(Entry.path());
    for (const auto& Lock : Stale) std::filesystem::remove_all(Lock);
    Stale.clear();
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

  std::string RevisionFile(int Index, int Line) const {
    return PathOf("repo/d" + std::to_string(Index) + "/" + FileName(Line) + ",v");
  }

  /// Starts a live run, the read-ahead forced to ReadAhead; the caller waits for it or kills it.
  pid_t StartLiveRun(const char* ReadAhead = "off") {
    std::string Program = ProgramPath("Morvellan");
    std::string Start = PathOf("wc");
    pid_t Child = fork();
    if (Child == 0) {
      // A background job of a non-interactive shell would start with SIGINT ignored.
      for (int Signal : {SIGINT, SIGTERM, SIGHUP}) signal(Signal, SIG_DFL);
      setenv("MORVELLAN_READAHEAD", ReadAhead, 1);
      freopen("/dev/null", "w", stdout);
      execl(Program.c_str(), Program.c_str(), "-f", Start.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return Child;
  }

  /// The patterns, and the entries before and after a run.
  void MakeEntries() {
    WriteIgnoreFile("*.obj\n");
    for (int Line = 0; Line < LinesPerFile; ++Line) {
      std::string Text = "/" + FileName(Line) + "/1." + std::to_string(Line) + "/Thu Jan  1 2004//";
      Original += Text + "\n";
      if (Line % 2 != 0) Filtered += Text + "\n";
    }
  }

  /// Checks every directory; gives how many were rewritten.
  int CheckTree() {
    const std::string Log = ReadBytes(PathOf("Morvellan.log"));
    int Rewritten = 0;
    for (int Index = 0; Index < DirectoryCount; ++Index) {
      SCOPED_TRACE(Directory(Index));
      const std::string Admin = Directory(Index) + "/CVS/";
      std::string Entries = ReadBytes(Admin + "Entries");
      std::string Extra = ReadBytes(Admin + "Entries.Extra");
      EXPECT_TRUE(Entries == Original || Entries == Filtered) << Entries;
      EXPECT_TRUE(Extra == Original || Extra == Filtered) << Extra;
      bool AnyDeleted = false;
      for (int Line = 0; Line < LinesPerFile; Line += 2) {
        if (Exists(RevisionFile(Index, Line))) continue;
        AnyDeleted = true;
        EXPECT_NE(std::string::npos,
                  Log.find("Delete from repository: " + RevisionFile(Index, Line) + "\n"))
            << "a revision file went without a line in the log";
      }
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
  std::vector<std::filesystem::path> Stale;
};

TEST_F(CrashSafetyTest, KilledLiveRunsLeaveEveryFileWholeOrFiltered) {
  MakeEntries();
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

// Whether anything below the folder is a lock of CVS's or a companion of an entries file.
bool HoldsLeftovers(const std::string& Folder) {
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Folder)) {
    const std::string Name = Entry.path().filename().string();
    if (Name.starts_with("#cvs.") || Name.ends_with(".out")) return true;
  }
  return false;
}

// Live runs sent SIGINT, SIGTERM or SIGHUP at random moments, with and without read-ahead, some a
// second time: each stops at a safe point, or at once on the second signal, and dies of the
// signal; nothing of it is left behind, and every change it made is whole and in its log.
TEST_F(CrashSafetyTest, InterruptedLiveRunsStopAtASafePoint) {
  MakeEntries();
  ResetTree();
  const auto Begin = std::chrono::steady_clock::now();
  int Status = 0;
  waitpid(StartLiveRun(), &Status, 0);
  const auto Whole = std::chrono::steady_clock::now() - Begin;
  ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);

  std::mt19937 Random(20261208);
  const int Signals[] = {SIGINT, SIGTERM, SIGHUP};
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int Runs = 0, Stopped = 0;
  for (; Runs < 60 && std::chrono::steady_clock::now() < Deadline; ++Runs) {
    SCOPED_TRACE("run " + std::to_string(Runs));
    ResetTree();
    std::filesystem::remove(PathOf("Morvellan.log"));  // a run stopped before it makes its own
    const int Signal = Signals[Runs % 3];
    const bool Twice = Runs % 4 == 3;
    const pid_t Child = StartLiveRun(Runs % 2 ? "on" : "off");
    std::this_thread::sleep_for(Whole * std::uniform_int_distribution<int>(0, 100)(Random) / 100);
    kill(Child, Signal);
    if (Twice) kill(Child, Signal);
    waitpid(Child, &Status, 0);
    const std::string Log = ReadBytes(PathOf("Morvellan.log"));
    if (WIFSIGNALED(Status)) {
      EXPECT_EQ(Signal, WTERMSIG(Status));
      ++Stopped;
      // Once the run watches its interrupts, the first ends it at a safe point, and it says so.
      if (!Twice && !Log.empty()) {
        EXPECT_NE(std::string::npos, Log.find("\nInterrupted.\n")) << Log.substr(0, 300);
        EXPECT_TRUE(Log.ends_with("Log file written to Morvellan.log\n")) << Log;
      }
    } else {
      EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
    }
    EXPECT_FALSE(HoldsLeftovers(PathOf("repo")));
    EXPECT_FALSE(HoldsLeftovers(PathOf("wc")));
    CheckTree();
    if (HasFailure()) break;
  }
  EXPECT_GE(Stopped, Runs / 2);
  RecordProperty("StoppedRuns", std::to_string(Stopped) + " of " + std::to_string(Runs));
}

}  // namespace
