// What only the Windows build does: drive letters, '\' and ':' splitting,
// hidden and system attributes, names that Win32's path parsing or the ANSI
// code page would alter, paths beyond 260 characters, reparse points, and the
// cutting of a real command line.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <string_view>
#include <vector>

#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/raw_file.h"
#include "platform/special_folder.h"
#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/command_line_process.h"

static std::wstring Widened(const std::string& Text) {
  std::wstring Wide(Text.size(), L'\0');
  Wide.resize(static_cast<std::size_t>(MultiByteToWideChar(
      CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), Wide.data(), Wide.size())));
  return Wide;
}

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
  struct TListed {
    uint32_t Attr;
    bool InCodePage;
  };
  std::map<std::string, TListed> Scan(TDirectory& Dir, uint32_t AttrSet) {
    std::map<std::string, TListed> Entries;
    TSearchRec Rec;
    TDirScanGuard Guard(Rec);
    for (int Result = DirScanFirst(Dir, AttrSet, Rec); Result == 0; Result = DirScanNext(Rec))
      Entries[Rec.Name] = {Rec.Attr, Rec.NameInCodePage};
    return Entries;
  }
  /// The "\\?\" form of a path in the test's directory, which Win32 takes as it is.
  std::wstring WidePath(std::wstring_view Relative) const {
    return L"\\\\?\\" + Widened(Root()) + std::wstring(Relative);
  }
  void MakeFile(std::wstring_view Relative, std::string_view Bytes) {
    HANDLE Handle = CreateFileW(WidePath(Relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, Handle);
    DWORD Written = 0;
    EXPECT_TRUE(
        WriteFile(Handle, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr));
    CloseHandle(Handle);
  }
  bool Present(std::wstring_view Relative) const {
    return GetFileAttributesW(WidePath(Relative).c_str()) != INVALID_FILE_ATTRIBUTES;
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
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(Root(), Dir));

  std::map<std::string, TListed> Walk = Scan(Dir, 18);
  EXPECT_EQ(1u, Walk.count("hidden.txt"));
  EXPECT_EQ(0u, Walk.count("system.txt"));
  EXPECT_EQ(1u, Walk.count("hiddendir"));
  EXPECT_EQ(0u, Walk.count("bothdir"));

  std::map<std::string, TListed> All = Scan(Dir, 63);
  EXPECT_EQ(6u, All.size());  // with "." and ".."
  EXPECT_TRUE(All.at("system.txt").Attr & AttrSystem);
}

TEST_F(Win32FileTest, FilePresentIgnoresLetterCase) {
  WriteBytes(PathOf("Entries"), "");
  EXPECT_TRUE(FilePresent(PathOf("ENTRIES")));
}

TEST_F(Win32FileTest, FullPathNameKeepsEveryName) {
  struct TRow {
    std::string Path;
    std::string Expected;
  };
  const TRow Rows[] = {
      {"mod.", PathOf("mod.")},  // trailing dots and blanks stay, which Win32's parsing drops
      {"sub. /x ", PathOf("sub. /x ")},
      {"con.txt,v", PathOf("con.txt,v")},  // a device's name is a name like any other
      {"d/aux", PathOf("d/aux")},
      {"a/./b/../c/", PathOf("a/c/")},
      {"C:x", PathOf("x")},  // the current directory of drive C: is the test's
      {"\\x\\..\\y", "C:\\y"},
      {"C:\\..\\y.", "C:\\y."},
      {"\\\\server\\share\\a\\..\\..\\b", "\\\\server\\share\\b"},  // a share is a root
      {"\\\\?\\C:\\a\\..\\b.", "\\\\?\\C:\\a\\..\\b."},             // taken as it is
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Path);
    EXPECT_EQ(Row.Expected, FullPathName(Row.Path));
  }
}

TEST_F(Win32FileTest, NameOutsideTheCodePageIsNeverTakenForItsTwin) {
  ASSERT_EQ(1252u, GetACP()) << "the names below are written for code page 1252";
  MakeDirectories(PathOf("repo"));
  MakeFile(L"repo\\\x0141odz.c,v", "polish");
  MakeFile(L"repo\\Lodz.c,v", "latin");
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("repo"), Dir));
  std::map<std::string, TListed> Entries = Scan(Dir, 0);
  ASSERT_EQ(2u, Entries.size());
  EXPECT_FALSE(Entries.at("?odz.c,v").InCodePage);
  EXPECT_TRUE(Entries.at("Lodz.c,v").InCodePage);
  EXPECT_NE(0, DeleteRevisionFileAt(Dir, "?odz.c,v", 0));  // a '?' names nothing
  EXPECT_EQ(0, DeleteRevisionFileAt(Dir, "Lodz.c,v", 0));
  EXPECT_FALSE(Present(L"repo\\Lodz.c,v"));
  EXPECT_TRUE(Present(L"repo\\\x0141odz.c,v"));
  ASSERT_TRUE(DeleteFileW(WidePath(L"repo\\\x0141odz.c,v").c_str()));
}

TEST_F(Win32FileTest, ReservedAndDottedNamesAreAddressedAsTheyAre) {
  const std::vector<std::wstring> Names = {L"con.txt,v", L"aux.c,v", L"com1.h,v", L"prn.o,v",
                                           L"nul",       L"dot.",    L"blank ",   L"a.b. . ."};
  MakeDirectories(PathOf("repo"));
  for (const std::wstring& Name : Names) MakeFile(L"repo\\" + Name, "bytes");
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("repo"), Dir));
  std::map<std::string, TListed> Entries = Scan(Dir, 0);
  EXPECT_EQ(Names.size(), Entries.size());
  for (const std::wstring& Wide : Names) {
    const std::string Name(Wide.begin(), Wide.end());
    SCOPED_TRACE(Name);
    EXPECT_EQ(1u, Entries.count(Name));
    EXPECT_TRUE(FilePresent(PathOf("repo/" + Name)));
    const TFileHandle Handle = RawOpenReadAt(Dir, Name);
    ASSERT_NE(InvalidFileHandle, Handle);
    char Bytes[8];
    EXPECT_EQ(5, RawReadAt(Handle, 0, Bytes, sizeof Bytes));
    RawClose(Handle);
    EXPECT_EQ(0, DeleteRevisionFileAt(Dir, Name, 0));
    EXPECT_FALSE(Present(L"repo\\" + Wide));
  }
}

TEST_F(Win32FileTest, ModuleWithATrailingDotIsNotItsNeighbour) {
  WriteBytes(PathOf("repo/mod/a.c,v"), "");
  ASSERT_TRUE(CreateDirectoryW(WidePath(L"repo\\mod.").c_str(), nullptr));
  MakeFile(L"repo\\mod.\\b.c,v", "");
  EXPECT_TRUE(IsDirectory(PathOf("repo/mod.")));
  EXPECT_TRUE(FilePresent(PathOf("repo/mod./b.c,v")));
  EXPECT_FALSE(FilePresent(PathOf("repo/mod./a.c,v")));
  TDirectory Repo, Module, Direct;
  ASSERT_EQ(0, OpenDirectory(PathOf("repo"), Repo));
  ASSERT_EQ(0, OpenSubdirectory(Repo, "mod.", Module));
  ASSERT_EQ(0, OpenDirectory(PathOf("repo/mod."), Direct));
  for (TDirectory* Dir : {&Module, &Direct}) {
    std::map<std::string, TListed> Entries = Scan(*Dir, 0);
    EXPECT_EQ(1u, Entries.size());
    EXPECT_EQ(1u, Entries.count("b.c,v"));
    EXPECT_EQ(0, RemoveFileAt(*Dir, "a.c,v"));  // not there, and the neighbour's stays
  }
  EXPECT_EQ(0, RemoveFileAt(Direct, "b.c,v"));
  Module.Close();
  Direct.Close();
  EXPECT_TRUE(RemoveDirectoryNow(PathOf("repo/mod.").c_str()));
  EXPECT_TRUE(FilePresent(PathOf("repo/mod/a.c,v")));
}

TEST_F(Win32FileTest, TreeBeyondThePathLimitIsReachedLevelByLevel) {
  const std::string Level(40, 'd');
  std::vector<std::string> Paths = {PathOf(Level)};
  while (Paths.back().size() < 2000) Paths.push_back(Paths.back() + "\\" + Level);
  for (const std::string& Path : Paths) ASSERT_EQ(0, MakeDirectory(Path));
  TFileHandle Created = RawCreate(Paths.back() + "\\deep.c,v");
  ASSERT_NE(InvalidFileHandle, Created);
  EXPECT_TRUE(RawWrite(Created, "deep", 4));
  RawClose(Created);
  EXPECT_TRUE(IsDirectory(Paths.back()));
  EXPECT_TRUE(FilePresent(Paths.back() + "\\deep.c,v"));

  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(Root(), Dir));
  for (std::size_t Depth = 0; Depth < Paths.size(); ++Depth) {
    TDirectory Below;
    ASSERT_EQ(0, OpenSubdirectory(Dir, Level, Below)) << Depth;
    Dir = std::move(Below);
  }
  std::map<std::string, TListed> Entries = Scan(Dir, 0);
  EXPECT_EQ(1u, Entries.count("deep.c,v"));
  std::string Bytes;
  EXPECT_EQ(0, ReadWholeFileAt(Dir, "deep.c,v", Bytes));
  EXPECT_EQ("deep", Bytes);
  EXPECT_EQ(0, DeleteRevisionFileAt(Dir, "deep.c,v", 0));
  EXPECT_FALSE(FilePresent(Paths.back() + "\\deep.c,v"));
  Dir.Close();
  for (auto Path = Paths.rbegin(); Path != Paths.rend(); ++Path)
    EXPECT_TRUE(RemoveDirectoryNow(Path->c_str()));
}

// Starts a Unix program in Directory, as Wine does for one named by its Unix path; false where
// there is none. Wine cannot wait for it, so WaitUntil waits for what it does.
static bool StartUnixProgram(std::wstring CommandLine, const std::wstring& Directory) {
  STARTUPINFOW Startup{};
  Startup.cb = sizeof Startup;
  PROCESS_INFORMATION Process{};
  const std::wstring Program = L"Z:" + CommandLine.substr(0, CommandLine.find(L' '));
  if (!CreateProcessW(Program.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      Directory.c_str(), &Startup, &Process))
    return false;
  CloseHandle(Process.hThread);
  CloseHandle(Process.hProcess);
  return true;
}

static bool WaitUntil(const std::wstring& Path, bool Present) {
  for (int Tries = 0; Tries < 500; ++Tries) {
    if ((GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES) == Present) return true;
    Sleep(10);
  }
  return false;
}

TEST_F(Win32FileTest, LinksBelowAHeldDirectoryAreNeverFollowed) {
  WriteBytes(PathOf("real/file"), "x");
  WriteBytes(PathOf("outside"), "kept");
  TDirectory Top;
  ASSERT_EQ(0, OpenDirectory(Root(), Top));
  // Windows makes links with the right to; Wine 8 says yes and makes nothing, but shows a POSIX
  // symbolic link, which a Unix program makes.
  const std::vector<std::pair<std::wstring, std::wstring>> Links = {
      {L"link", L"real"}, {L"link,v", L"outside"}, {L"log", L"outside"}};
  for (const auto& [Link, Target] : Links) {
    const DWORD Flags = (Target == L"real" ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    const bool Made = CreateSymbolicLinkW(WidePath(Link).c_str(), Target.c_str(), Flags);
    if (!(Made && Present(Link)) &&
        StartUnixProgram(L"/bin/ln -s " + Target + L" " + Link, WidePath(L"")))
      WaitUntil(WidePath(Link), true);
    if (!Present(Link)) {
      std::printf("No link can be made here; the link rows are left out.\n");
      return;
    }
  }
  EXPECT_EQ(AttrDirectory | AttrReparsePoint,
            Scan(Top, 63).at("link").Attr & (AttrDirectory | AttrReparsePoint));
  TDirectory Below;
  EXPECT_EQ(LinkError, OpenSubdirectory(Top, "link", Below));
  EXPECT_FALSE(Below.IsOpen());
  ASSERT_EQ(0, OpenDirectory(PathOf("link"), Below));  // a start directory may be a link
  EXPECT_EQ(1u, Scan(Below, 0).count("file"));
  Below.Close();

  EXPECT_EQ(InvalidFileHandle, RawOpenReadAt(Top, "link,v"));
  EXPECT_EQ(NotRegularFileError, LastSystemError());
  // A link goes as a link, or, where the system can reach only what it leads to (Wine), not at all.
  const int Deleted = DeleteRevisionFileAt(Top, "link,v", 0);
  EXPECT_EQ(Deleted != 0, Present(L"link,v"));
  const TFileHandle Log = RawCreate(PathOf("log"));
  if (Log != InvalidFileHandle) RawClose(Log);
  EXPECT_EQ(Log != InvalidFileHandle, ReadBytes(PathOf("log")).empty());
  EXPECT_EQ("kept", ReadBytes(PathOf("outside")));

  for (const auto& [Link, Target] : Links) {
    const std::string Name(Link.begin(), Link.end());
    if (Present(Link) && RemoveFileAt(Top, Name) != 0 &&
        StartUnixProgram(L"/bin/rm " + Link, WidePath(L"")))
      WaitUntil(WidePath(Link), false);
    EXPECT_FALSE(Present(Link)) << Name;
  }
  EXPECT_TRUE(FilePresent(PathOf("real/file")));
}

TEST(Win32ProcessTest, AFinishedProcessIsNotRunning) {
  EXPECT_TRUE(ProcessRunning(ProcessId()));
  std::wstring CommandLine = L"args_probe";
  STARTUPINFOW Startup{};
  Startup.cb = sizeof Startup;
  PROCESS_INFORMATION Process{};
  ASSERT_TRUE(CreateProcessW(Widened(ProgramPath("args_probe")).c_str(), CommandLine.data(),
                             nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Process));
  WaitForSingleObject(Process.hProcess, INFINITE);
  // The handle still held keeps the identifier from going to another process.
  EXPECT_FALSE(ProcessRunning(Process.dwProcessId));
  CloseHandle(Process.hThread);
  CloseHandle(Process.hProcess);
}

TEST(Win32ArgumentsTest, RealCommandLinesAreCutByTheProgramsRules) {
  struct TRow {
    std::wstring Arguments;
    const char* Printed;
  };
  const TRow Rows[] = {
      {LR"("C:\My Dir\" -f)", "[C:\\My Dir\\]\r\n[-f]\r\n"},
      {LR"("" -f)", "[-f]\r\n"},
      {LR"(C:\My" "Dir)", "[C:\\My Dir]\r\n"},
      {LR"("" "")", ""},
      {LR"(a\"b c")", "[a\\b c]\r\n"},
      {L"\x0141odz.c \xE9t\xE9",
       "[?odz.c]?\r\n[\xE9t\xE9]\r\n"},  // no look-alike for what 1252 lacks
  };
  const std::wstring Program = Widened(ProgramPath("args_probe"));
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(Row.Arguments));
    TProcessResult Result = RunCommandLine(Program, L"args_probe " + Row.Arguments);
    EXPECT_EQ(0, Result.ExitCode);
    EXPECT_EQ(Row.Printed, Result.StdOut);
  }
}
