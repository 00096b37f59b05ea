// The read-ahead is invisible: runs with it forced on and forced off give the same status,
// console, log and tree, in test mode and in live mode.
#include <gtest/gtest.h>

#include <functional>

#include "platform/file_system.h"
#include "tests/support/run_fixture.h"
#include "tests/support/tree_snapshot.h"

namespace {

class ReadAheadTest : public TRunTest {
 protected:
  struct TOutcome {
    int ExitCode;
    std::string Console;
    std::string Log;
    TTreeSnapshot Tree;
  };

  TOutcome RunAndLook(const char* Mode, const std::vector<std::string>& Arguments) {
    TProcessResult Result = RunReadingAhead(Mode, Arguments);
    return {Result.ExitCode, Result.StdOut + Result.StdErr, Log(), SnapshotTree(PathOf("t"))};
  }

  static void ExpectSame(const TOutcome& Off, const TOutcome& On) {
    EXPECT_EQ(Off.ExitCode, On.ExitCode);
    EXPECT_EQ(Off.Console, On.Console);
    EXPECT_EQ(Off.Log, On.Log);
    EXPECT_TRUE(Off.Tree == On.Tree) << "the trees differ";
  }

  /// Working directories d0 to d(Count - 1), nested four to a level, with a local repository:
  /// every third has an ignored file (its revision file read-only, or in Attic), every
  /// seventh a line CVS keeps as it is, every eleventh an unmerged Entries.Log.
  void MakeManyDirectories(int Count) {
    WriteIgnoreFile("*.o core\n");
    std::string Directory = "t/wc";
    for (int Index = 0; Index < Count; ++Index) {
      if (Index % 4 == 0 && Index > 0) Directory += "/d" + std::to_string(Index);
      const std::string Work = Directory + "/w" + std::to_string(Index);
      const std::string Below = "proj/" + std::to_string(Index);
      std::string Entries = "/main.c/1.1//\nD/core////\n";
      if (Index % 3 == 0) Entries += "/main.o/1.1//\r\n";
      if (Index % 7 == 0) Entries += "X/unknown/kind\n";
      WriteBytes(PathOf(Work + "/CVS/Entries"), Entries);
      WriteBytes(PathOf(Work + "/CVS/Root"), ":local:" + PathOf("t/repo") + "\n");
      WriteBytes(PathOf(Work + "/CVS/Repository"), Below + "\n");
      if (Index % 11 == 0) WriteBytes(PathOf(Work + "/CVS/Entries.Log"), "A /x.c/1.1//\n");
      WriteBytes(PathOf("t/repo/" + Below + "/main.c,v"), "rcs");
      if (Index % 3 != 0) continue;
      const std::string Revision = Index % 2 == 0 ? "/main.o,v" : "/Attic/main.o,v";
      WriteBytes(PathOf("t/repo/" + Below + Revision), "rcs");
      ASSERT_EQ(0, ChangeFileAttributes(PathOf("t/repo/" + Below + Revision), AttrReadOnly));
    }
  }
};

TEST_F(ReadAheadTest, RunsWithAndWithoutItAreTheSame) {
  struct TRow {
    const char* Name;
    std::string Start;
    std::function<void()> Make;     // makes the tree
    std::function<void()> Restore;  // brings it back to what Make made
  };
  const std::string Generator = ProgramPath("gen_tree");
  const auto Fresh = [this](const std::function<void()>& Make) {
    return [this, Make] {
      RemoveTree(PathOf("t"));
      Make();
    };
  };
  std::vector<TRow> Rows;
  const auto Many = [this] { MakeManyDirectories(120); };
  Rows.push_back({"many directories", PathOf("t/wc"), Many, Fresh(Many)});
  // The benchmark's generator, where it is built: a working copy as CVS writes it.
  const std::vector<std::string> Bench = {PathOf("t"), "150", "20", "2"};
  const auto Generate = [&, this](const char* Mode) {
    std::vector<std::string> Arguments = Bench;
    Arguments.insert(Arguments.begin(), Mode);
    ASSERT_EQ(0, RunProgram("gen_tree", Arguments).ExitCode);
    WriteIgnoreFile(ReadBytes(PathOf("t/home/.cvsignore")));
  };
  if (Exists(Generator))
    Rows.push_back({"generated", PathOf("t/wc/proj"), [=] { Generate("tree"); },
                    [=] { Generate("refresh"); }});
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    RemoveTree(PathOf("t"));
    Row.Make();
    ExpectSame(RunAndLook("off", {Row.Start}), RunAndLook("on", {Row.Start}));
    const TOutcome Off = RunAndLook("off", {"-f", Row.Start});
    EXPECT_NE(std::string::npos, Off.Console.find("Removed ")) << Off.Console;
    EXPECT_EQ(std::string::npos, Off.Console.find("Removed 0 ")) << Off.Console;
    Row.Restore();
    ExpectSame(Off, RunAndLook("on", {"-f", Row.Start}));
  }
}

}  // namespace
