// What only the Windows build does: drive letters, '\' and ':' splitting,
// hidden and system attributes, and the cutting of a real command line.
#include <gtest/gtest.h>

#include <map>

#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/special_folder.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/command_line_process.h"

TEST(Win32PathTest, SplitsAtTheLastBackslashOrColon) {
  struct TRow {
    const char* Path;
    const char* Directory;
    const char* Name;
  };
  const TRow Rows[] = {
      {"C:\\work\\foo.c", "C:\\work\\", "foo.c"},
      {"C:foo.c", "C:", "foo.c"},
      {"foo.c", "", "foo.c"},
      {"C:\\work\\", "C:\\work\\", ""},
      {"C:/work/foo.c", "C:", "/work/foo.c"},  // '/' is no separator
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Path);
    EXPECT_EQ(Row.Directory, DirectoryPart(Row.Path));
    EXPECT_EQ(Row.Name, NamePart(Row.Path));
  }
}

TEST(Win32PathTest, DriveRootIsADirectory) {
  EXPECT_TRUE(IsDirectory("C:\\"));
  EXPECT_FALSE(FullPathName("x").empty());
  EXPECT_EQ("C:\\", SpecialFolderPath(ProfileFolder).substr(0, 3));
}

class Win32FileTest : public TTempDirTest {
 protected:
  std::map<std::string, uint32_t> Scan(uint32_t AttrSet) {
    std::map<std::string, uint32_t> Entries;
    TSearchRec Rec;
    TDirScanGuard Guard(Rec);
    for (int Result = DirScanFirst(Root() + "*", AttrSet, Rec); Result == 0;
         Result = DirScanNext(Rec))
      Entries[Rec.Name] = Rec.Attr;
    return Entries;
  }
};

TEST_F(Win32FileTest, HiddenAndSystemEntriesBySet) {
  WriteBytes(PathOf("hidden.txt"), "");
  WriteBytes(PathOf("system.txt"), "");
  MakeDirectories(PathOf("hiddendir"));
  MakeDirectories(PathOf("bothdir"));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("hidden.txt"), AttrHidden));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("system.txt"), AttrSystem));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("hiddendir"), AttrHidden | AttrDirectory));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("bothdir"), AttrHidden | AttrSystem | AttrDirectory));

  std::map<std::string, uint32_t> Walk = Scan(18);
  EXPECT_EQ(1u, Walk.count("hidden.txt"));
  EXPECT_EQ(0u, Walk.count("system.txt"));
  EXPECT_EQ(1u, Walk.count("hiddendir"));
  EXPECT_EQ(0u, Walk.count("bothdir"));

  std::map<std::string, uint32_t> All = Scan(63);
  EXPECT_EQ(6u, All.size());  // with "." and ".."
  EXPECT_TRUE(All.at("system.txt") & AttrSystem);
}

TEST_F(Win32FileTest, FilePresentIgnoresLetterCase) {
  WriteBytes(PathOf("Entries"), "");
  EXPECT_TRUE(FilePresent(PathOf("ENTRIES")));
}

TEST(Win32ArgumentsTest, RealCommandLinesAreCutByTheProgramsRules) {
  struct TRow {
    std::string Arguments;
    const char* Printed;
  };
  const TRow Rows[] = {
      {R"("C:\My Dir\" -f)", "[C:\\My Dir\\]\r\n[-f]\r\n"},
      {R"("" -f)", "[-f]\r\n"},
      {R"(C:\My" "Dir)", "[C:\\My Dir]\r\n"},
      {R"("" "")", ""},
      {R"(a\"b c")", "[a\\b c]\r\n"},
  };
  std::string Program = ProgramPath("args_probe");
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Arguments);
    TProcessResult Result = RunCommandLine(Program, "args_probe " + Row.Arguments);
    EXPECT_EQ(0, Result.ExitCode);
    EXPECT_EQ(Row.Printed, Result.StdOut);
  }
}
