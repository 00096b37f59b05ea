// Cleanup runs on large and hostile input: a huge line, NUL bytes, random bytes, many patterns.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/line_end.h"
#include "tests/support/reference_lines.h"
#include "tests/support/run_fixture.h"

namespace {

class LargeInputTest : public TRunTest {
 protected:
  /// wc/CVS with the Entries bytes and a local repository without revision files, so that only
  /// the filter acts.
  void MakeAdmin(const std::string& Entries) {
    WriteBytes(EntriesPath(), Entries);
    WriteBytes(PathOf("wc/CVS/Root"), ":local:" + PathOf("repo") + "\n");
    WriteBytes(PathOf("wc/CVS/Repository"), "proj\n");
    MakeDirectories(PathOf("repo/proj"));
  }
  std::string EntriesPath() const { return PathOf("wc/CVS/Entries"); }
  /// The file's bytes in one read: ReadBytes takes seconds for 16 MiB in a debug build.
  static std::string ReadWhole(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary | std::ios::ate);
    std::string Bytes(In ? static_cast<std::size_t>(In.tellg()) : 0, '\0');
    In.seekg(0);
    In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return Bytes;
  }

  /// The whole log of a run over wc that removes the lines.
  std::string ExpectedLog(bool Live, const std::vector<std::string>& Removed) const {
    std::string Log = Written(Live ? "Live mode selected: CVS files will be modified\n"
                                   : "Test mode.  No CVS files will be changed.\n");
    Log += Written("Ignored files read from: " + IgnoreFile() + "\n");
    Log += Written("Processing: " + PathOf("wc/CVS") + "\n");
    for (const std::string& Line : Removed) {
      Log += "Remove from " + EntriesPath() + ": " + Line;
      Log += LineEnd;
    }
    const std::string Count =
        std::to_string(Removed.size()) + (Removed.size() == 1 ? " entry" : " entries");
    const std::string Files = Removed.empty() ? "0 files" : "1 file";
    Log += Written(Live ? "Removed " + Count + " from " + Files +
                              " and deleted 0 revision files; 0 directories left unchanged.\n"
                        : "Would remove " + Count + " from " + Files +
                              " and delete 0 revision files; 0 directories would be left "
                              "unchanged.\n");
    return Log + Written("Log file written to Morvellan.log\n");
  }
  /// One run in the mode; checks the log and what Entries then holds.
  void ExpectRun(bool Live, const std::vector<std::string>& Removed, const std::string& After) {
    SCOPED_TRACE(Live ? "live mode" : "test mode");
    TProcessResult Result = Live ? Run({"-f", PathOf("wc")}) : Run({PathOf("wc")});
    EXPECT_EQ(0, Result.ExitCode) << Result.StdErr;
    // Compared whole but not printed: the texts are up to 16 MiB long.
    EXPECT_TRUE(ExpectedLog(Live, Removed) == ReadWhole(Root() + "Morvellan.log"))
        << "the log differs";
    EXPECT_TRUE(After == ReadWhole(EntriesPath())) << "Entries differs";
    EXPECT_FALSE(Exists(EntriesPath() + ".out"));
  }
  /// Test mode, then live mode, on the same Entries, which live mode leaves as After.
  void ExpectBothModes(const std::string& Entries, const std::vector<std::string>& Removed,
                       const std::string& After) {
    MakeAdmin(Entries);
    ExpectRun(false, Removed, Entries);
    ExpectRun(true, Removed, After);
  }
};

TEST_F(LargeInputTest, OneLineOfSixteenMebibytes) {
  const std::string Huge = "/" + std::string((16 << 20) - 9, 'n') + ".c/1.1//";
  ASSERT_EQ(std::size_t{16} << 20, Huge.size());
  const std::string Small = "/small.h/1.1//";
  MakeAdmin(Huge + "\n" + Small + "\r\n");
  WriteIgnoreFile("*.c\n");
  ExpectRun(false, {Huge}, Huge + "\n" + Small + "\r\n");
  WriteIgnoreFile("*.h\n");
  ExpectRun(true, {Small}, Huge + "\n");
}

TEST_F(LargeInputTest, NulBytesAreOrdinaryBytesOfALine) {
  using namespace std::string_literals;
  WriteIgnoreFile("*.obj\na\n");
  const std::vector<std::string> Lines = {
      "/a\0b.c/1.1//"s,      // a name is matched up to its first NUL: "a"
      "/keep\0.obj/1.1//"s,  // "keep"
      "/x.obj/\0\0//"s,      // NULs outside the name change nothing
      "\0\0"s,               // no name at all
      "/\0/"s,               // the empty name
  };
  std::string Entries;
  for (const std::string& Line : Lines) Entries += Line + "\n";
  ExpectBothModes(Entries, {Lines[0], Lines[2]},
                  Lines[1] + "\n" + Lines[3] + "\n" + Lines[4] + "\n");
}

TEST_F(LargeInputTest, RandomBytesGiveTheLinesTheRulesDefine) {
  std::mt19937 Random(20260612);
  std::string Entries;
  while (Entries.size() < 65536) {
    const std::uint32_t Value = Random();
    const char Structural[] = "/\n\rxX";
    char Byte = Value % 16 < 5 ? Structural[Value % 16] : static_cast<char>(Value >> 8);
    // Without ')' and '"' no field is cleaned of its brackets or quotes, and without 0x1A the
    // whole file is read; both rules are tested on their own elsewhere.
    if (Byte == ')' || Byte == '"' || Byte == '\x1A') Byte = 'z';
    Entries += Byte;
    // Most lines are file lines, the only ones that can go.
    if (Byte == '\n' && Value % 4 != 3) Entries += '/';
  }
  WriteIgnoreFile("*x\n");
  // A file line's name: from its leading '/' to the next, matched up to its first NUL.
  auto Removable = [](const std::string& Line) {
    if (!Line.starts_with('/')) return false;
    std::string Name = Line.substr(1, Line.find('/', 1) - 1);
    Name = Name.substr(0, Name.find('\0'));
    return !Name.empty() && (Name.back() == 'x' || (NamesIgnoreCase && Name.back() == 'X'));
  };
  const TReferenceLines Reference = SplitReferenceLines(Entries);
  std::vector<std::string> Removed;
  for (const std::string& Line : Reference.Lines)
    if (Removable(Line)) Removed.push_back(Line);
  ASSERT_GT(Removed.size(), 100u);
  ASSERT_GT(Reference.Lines.size() - Removed.size(), 100u);
  ExpectBothModes(Entries, Removed, Reference.Without(Removable));
}

TEST_F(LargeInputTest, TenThousandPatterns) {
  auto Pattern = [](int Index) {
    char Text[16];
    std::snprintf(Text, sizeof Text, "p%05d-*.tmp", Index);
    return std::string(Text);
  };
  std::string Patterns;
  for (int Index = 0; Index < 10000; ++Index) Patterns += Pattern(Index) + "\n";
  WriteIgnoreFile(Patterns);
  std::string Entries;
  std::vector<std::string> Removed;
  std::string Kept;
  for (int Index = 0; Index < 90; ++Index) {
    std::string Name;
    if (Index % 3 == 0)
      Name = Pattern(9999 - Index * 111).replace(7, 1, "name");  // one pattern anywhere
    else if (Index % 3 == 1)
      Name = "p09999-" + std::to_string(Index) + ".tmp";  // only the last pattern
    else
      Name = "p" + std::to_string(Index) + ".tmp";  // no pattern: every one is tried
    const std::string Line = "/" + Name + "/1.1//";
    Entries += Line + "\n";
    if (Index % 3 == 2)
      Kept += Line + "\n";
    else
      Removed.push_back(Line);
  }
  ExpectBothModes(Entries, Removed, Kept);
}

}  // namespace
