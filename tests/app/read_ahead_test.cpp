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
  /// Status, console, log and the tree below t after a run with the read-ahead forced to Mode.
  std::string RunAndLook(const char* Mode, const std::vector<std::string>& Arguments) {
    TProcessResult Result = RunReadingAhead(Mode, Arguments);
    std::string Look = std::to_string(Result.ExitCode) + "\n" + Result.StdOut + Result.StdErr;
    Look += Log();
    for (const auto& [Path, What] : SnapshotTree(PathOf("t"))) Look += Path + ": " + What + "\n";
    return Look;
  }

  /// Nested working directories with a local repository: every third has an ignored file (its
  /// revision file read-only, or in Attic), every seventh an unmerged Entries.Log.
  void MakeManyDirectories(int Count) {
    WriteIgnoreFile("*.o core\n");
    std::string Directory = "t/wc";
    for (int Index = 0; Index < Count; ++Index) {
      if (Index % 4 == 0 && Index > 0) Directory += "/d" + std::to_string(Index);
      const std::string Work = Directory + "/w" + std::to_string(Index) + "/CVS/";
      const std::string Below = "proj/" + std::to_string(Index);
      WriteBytes(PathOf(Work + "Entries"), Index % 3 == 0 ? "D/core////\n/main.o/1.1//\r\n" : "");
      WriteBytes(PathOf(Work + "Root"), ":local:" + PathOf("t/repo") + "\n");
      WriteBytes(PathOf(Work + "Repository"), Below + "\n");
      if (Index % 7 == 0) WriteBytes(PathOf(Work + "Entries.Log"), "A /x.c/1.1//\n");
      const std::string Revision =
          PathOf("t/repo/" + Below + (Index % 2 ? "/Attic" : "") + "/main.o,v");
      WriteBytes(Revision, "rcs");
      ASSERT_EQ(0, ChangeFileAttributes(Revision, AttrReadOnly));
    }
  }
};

TEST_F(ReadAheadTest, RunsWithAndWithoutItAreTheSame) {
  struct TRow {
    const char* Name;
    std::string Start;
    std::function<void(bool)> Make;  // makes the tree, or with true brings it back to that
  };
  std::vector<TRow> Rows = {{"many directories", PathOf("t/wc"), [this](bool) {
                               RemoveTree(PathOf("t"));
                               MakeManyDirectories(120);
                             }}};
  // The benchmark's generator, where it is built: a working copy as CVS writes it.
  if (Exists(ProgramPath("gen_tree")))
    Rows.push_back({"generated", PathOf("t/wc/proj"), [this](bool Again) {
                      ASSERT_EQ(0, RunProgram("gen_tree", {Again ? "refresh" : "tree", PathOf("t"),
                                                           "150", "20", "2"})
                                       .ExitCode);
                      WriteIgnoreFile(ReadBytes(PathOf("t/home/.cvsignore")));
                    }});
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    RemoveTree(PathOf("t"));
    Row.Make(false);
    EXPECT_EQ(RunAndLook("off", {Row.Start}), RunAndLook("on", {Row.Start}));
    const std::string Off = RunAndLook("off", {"-f", Row.Start});
    EXPECT_EQ(std::string::npos, Off.find("Removed 0 ")) << "live mode must change something";
    Row.Make(true);
    EXPECT_EQ(Off, RunAndLook("on", {"-f", Row.Start}));
  }
}

}  // namespace
