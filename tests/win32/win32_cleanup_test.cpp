// Cleanup runs that only Windows can set up: system and hidden directories,
// a revision file that another process holds open, a tree beyond MAX_PATH.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/raw_file.h"
#include "platform/text.h"
#include "tests/support/run_fixture.h"
#include "tests/support/win32/command_line_process.h"

namespace {

class Win32CleanupTest : public TRunTest {
 protected:
  void MakeAdmin(const std::string& WorkDir, const std::string& Entries,
                 const std::string& RepositoryPath) {
    WriteBytes(PathOf(WorkDir + "/CVS/Entries"), Entries);
    WriteBytes(PathOf(WorkDir + "/CVS/Root"), ":local:" + PathOf("repo") + "\r\n");
    WriteBytes(PathOf(WorkDir + "/CVS/Repository"), RepositoryPath + "\r\n");
  }
};

TEST_F(Win32CleanupTest, SystemDirectoriesAreNotWalkedHiddenOnesAre) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc/hidden", "", "hidden");
  MakeAdmin("wc/system", "", "system");
  MakeAdmin("wc/sys", "", "sys");
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/hidden"), AttrHidden | AttrDirectory));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/system"), AttrSystem | AttrDirectory));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/sys/CVS"), AttrSystem | AttrDirectory));
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_NE(std::string::npos, Result.StdOut.find("Processing: " + PathOf("wc/hidden/CVS")));
  EXPECT_EQ(std::string::npos, Result.StdOut.find("system"));
  EXPECT_EQ(std::string::npos, Result.StdOut.find("sys" + PathSeparator() + "CVS"));
}

TEST_F(Win32CleanupTest, RevisionFileHeldOpenIsReportedAsNotDeleted) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\r\n", "proj");
  WriteBytes(PathOf("repo/proj/a.obj,v"), "held");
  HANDLE Held = CreateFileA(PathOf("repo/proj/a.obj,v").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, Held);
  TProcessResult Result = Run({"-f", PathOf("wc")});
  CloseHandle(Held);
  EXPECT_EQ(2, Result.ExitCode);
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  const std::string Path = PathOf("repo/proj/a.obj,v");
  EXPECT_NE(std::string::npos, Log().find("Delete from repository: " + Path + "\r\n"));
  const std::string Reason = SystemErrorText(ERROR_SHARING_VIOLATION);
  EXPECT_NE(std::string::npos, Result.StdOut.find("Could not delete from repository (" + Reason +
                                                  "): " + Path + "\r\n"))
      << Result.StdOut;
  EXPECT_NE(std::string::npos, Result.StdOut.find("and deleted 0 revision files;"));
}

// Exactly as listed: no best-fit twin, no trailing dot dropped, no device taken for a file, no
// depth beyond reach.
TEST_F(Win32CleanupTest, NamesAreAddressedExactlyAtEveryDepth) {
  ASSERT_EQ(1252u, GetACP()) << "the names below are written for code page 1252";
  WriteIgnoreFile("*.o\r\n*.txt\r\naux.*\r\n");
  MakeAdmin("wc/twins", "/l.o/1.1//\r\n", "twins");
  WriteBytes(PathOf("repo/twins/l.o,v"), "latin");
  const std::string Twins = PathOf("repo/twins/");
  const std::wstring Polish = L"\\\\?\\" + std::wstring(Twins.begin(), Twins.end()) + L"\x0142.o,v";
  const HANDLE Made = CreateFileW(Polish.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, Made);
  CloseHandle(Made);
  MakeAdmin("wc/dotted", "/a.o/1.1//\r\n", "mod.");
  WriteBytes(PathOf("repo/mod/a.o,v"), "the neighbour's");
  ASSERT_EQ(0, MakeDirectory(PathOf("repo/mod.")));
  MakeDirectories(PathOf("repo/devices"));
  for (const char* Name : {"mod./a.o,v", "devices/con.txt,v", "devices/aux.c,v"}) {
    const TFileHandle Handle = RawCreate(PathOf(std::string("repo/") + Name));
    ASSERT_NE(InvalidFileHandle, Handle) << Name;
    RawClose(Handle);
  }
  MakeAdmin("wc/devices", "/con.txt/1.1//\r\n/aux.c/1.1//\r\n", "devices");
  // A working directory deeper than 260 characters, cleaned at the bottom.
  std::string Deep = PathOf("wc");
  while (Deep.size() < 400) Deep += "\\" + std::string(60, 'x');
  for (std::size_t End = PathOf("wc").size() + 1; End <= Deep.size(); ++End) {
    if (End < Deep.size() && Deep[End] != '\\') continue;
    ASSERT_EQ(0, MakeDirectory(Deep.substr(0, End)));
  }
  ASSERT_EQ(0, MakeDirectory(Deep + "\\CVS"));
  for (const auto& [Name, Text] : {std::pair<const char*, std::string>{"Entries", "/z.o/1.1//\r\n"},
                                   {"Root", ":local:" + PathOf("repo") + "\r\n"},
                                   {"Repository", "deep\r\n"}}) {
    const TFileHandle Handle = RawCreate(Deep + "\\CVS\\" + Name);
    ASSERT_NE(InvalidFileHandle, Handle);
    RawWrite(Handle, Text.data(), Text.size());
    RawClose(Handle);
  }
  WriteBytes(PathOf("repo/deep/z.o,v"), "deep");

  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode) << Result.StdOut;
  EXPECT_NE(std::string::npos, Result.StdOut.find("Left alone (name not in the ANSI code page): " +
                                                  PathOf("repo/twins/?.o,v") + "\r\n"))
      << Result.StdOut;
  EXPECT_FALSE(Exists(PathOf("repo/twins/l.o,v")));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Polish.c_str()));
  EXPECT_TRUE(DeleteFileW(Polish.c_str()));
  EXPECT_FALSE(FilePresent(PathOf("repo/mod./a.o,v")));
  EXPECT_TRUE(FilePresent(PathOf("repo/mod/a.o,v")));
  EXPECT_FALSE(FilePresent(PathOf("repo/devices/con.txt,v")));
  EXPECT_FALSE(FilePresent(PathOf("repo/devices/aux.c,v")));
  EXPECT_NE(std::string::npos, Result.StdOut.find("Processing: " + Deep + "\\CVS\r\n"));
  EXPECT_FALSE(Exists(PathOf("repo/deep/z.o,v")));
  TDirectory Bottom;
  ASSERT_EQ(0, OpenDirectory(Deep + "\\CVS", Bottom));
  std::string Entries;
  EXPECT_EQ(0, ReadWholeFileAt(Bottom, "Entries", Entries));
  EXPECT_EQ("", Entries);
  Bottom.Close();
  EXPECT_TRUE(RemoveDirectoryNow(PathOf("repo/mod.").c_str()));
  for (const char* Name : {"Entries", "Root", "Repository"})
    EXPECT_TRUE(RemoveFileNow((Deep + "\\CVS\\" + Name).c_str()));
  EXPECT_TRUE(RemoveDirectoryNow((Deep + "\\CVS").c_str()));
  for (std::size_t End = Deep.size(); End > PathOf("wc").size(); End = Deep.rfind('\\', End - 1))
    EXPECT_TRUE(RemoveDirectoryNow(Deep.substr(0, End).c_str()));
}

TEST_F(Win32CleanupTest, PathOutsideTheCodePageIsRefused) {
  const std::string Path = ProgramPath("Morvellan");
  TProcessResult Result =
      RunCommandLine(std::wstring(Path.begin(), Path.end()), L"Morvellan -f wc\\\x0141odz.c");
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_EQ("", Result.StdOut);
  EXPECT_EQ("Path not in the ANSI code page: wc\\?odz.c\r\nTry 'Morvellan --help'.\r\n",
            Result.StdErr);
}

}  // namespace
