// Line files: the reader's line-end and 0x1A rules, writing, failures.
#include "platform/line_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/file_system.h"
#include "tests/support/line_end.h"
#include "tests/support/temp_dir.h"

class LineFileTest : public TTempDirTest {
 protected:
  std::vector<std::string> ReadAll(const std::string& Path) {
    TLineFile File;
    LineFileAssign(File, Path);
    LineFileOpenRead(File);
    std::vector<std::string> Lines;
    std::string Line;
    while (!LineFileAtEnd(File)) {
      LineFileReadLine(File, Line);
      Lines.push_back(Line);
    }
    LineFileClose(File);
    return Lines;
  }
};

TEST_F(LineFileTest, ReadLineTable) {
  using namespace std::string_literals;
  struct TRow {
    std::string Bytes;
    std::vector<std::string> Lines;
  };
  const TRow Rows[] = {
      {"", {}},
      {"\r\n", {""}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\rb\n", {"ab"}},            // a CR without LF is dropped
      {"a\r", {"a"}},                // also the last byte
      {"a\n\nb\n", {"a", "", "b"}},  // LF alone ends a line
      {"a\r\nb\x1A"
       "c\r\nd",
       {"a", "b"}},  // 0x1A ends the text for good
      {"\x1A"
       "abc",
       {}},
      {"a\0b\x80\xFF\n"s, {"a\0b\x80\xFF"s}},  // NUL and high bytes are line bytes
      {"a\r\x1A", {"a"}},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(Row.Bytes));
    WriteBytes("file", Row.Bytes);
    EXPECT_EQ(Row.Lines, ReadAll("file"));
  }
}

TEST_F(LineFileTest, LongLinesCrossTheBuffer) {
  // A CR LF pair split across two buffer fills must still end one line.
  std::string First(TLineFile::BufferSize - 1, 'x');
  std::string Long(600, 'y');
  WriteBytes("file", First + "\r\n" + Long + "\r\n" + Long);
  EXPECT_EQ((std::vector<std::string>{First, Long, Long}), ReadAll("file"));
}

TEST_F(LineFileTest, MissingFileReadsAsEmptyText) {
  TLineFile File;
  LineFileAssign(File, "missing");
  LineFileOpenRead(File);
  EXPECT_TRUE(LineFileAtEnd(File));
  EXPECT_TRUE(LineFileFailed(File));
  EXPECT_FALSE(LineFileReadCompletely(File));
}

TEST_F(LineFileTest, WrittenLinesEndInThePlatformLineEnd) {
  WriteBytes("in", "a\nb");
  TLineFile Out;
  LineFileAssign(Out, "out");
  LineFileCreate(Out);
  for (const std::string& Line : ReadAll("in")) LineFileWriteLine(Out, Line);
  LineFileWriteLine(Out, std::string(300, 'z'));
  LineFileWriteLine(Out, "in\rside\n");  // bytes inside a line are written as they are
  LineFileClose(Out);
  EXPECT_FALSE(LineFileFailed(Out));
  EXPECT_EQ(Written("a\nb\n" + std::string(300, 'z') + "\n") + "in\rside\n" + std::string(LineEnd),
            ReadBytes("out"));
}

TEST_F(LineFileTest, CreateReplacesAnExistingFile) {
  WriteBytes("out", "old contents that are longer");
  TLineFile Out;
  LineFileAssign(Out, "out");
  LineFileCreate(Out);
  LineFileWriteLine(Out, "new");
  LineFileClose(Out);
  EXPECT_EQ(Written("new\n"), ReadBytes("out"));
}

TEST_F(LineFileTest, LinesToAFailedCreateVanish) {
  WriteBytes(PathOf("dir/x"), "");
  TLineFile Out;
  LineFileAssign(Out, PathOf("missing/out"));
  LineFileCreate(Out);
  LineFileWriteLine(Out, "lost");
  LineFileClose(Out);
  EXPECT_TRUE(LineFileFailed(Out));
  EXPECT_FALSE(Exists(PathOf("missing")));

  TLineFile Dir;
  LineFileAssign(Dir, "dir");
  LineFileCreate(Dir);
  EXPECT_TRUE(LineFileFailed(Dir));
}

TEST_F(LineFileTest, CreateRefusesAReadOnlyFile) {
  WriteBytes("out", "kept");
  ASSERT_EQ(0, ChangeFileAttributes("out", AttrReadOnly));
  TLineFile Out;
  LineFileAssign(Out, "out");
  LineFileCreate(Out);
  LineFileWriteLine(Out, "lost");
  LineFileClose(Out);
  EXPECT_TRUE(LineFileFailed(Out));
  EXPECT_EQ("kept", ReadBytes("out"));
}

TEST_F(LineFileTest, UnboundAndClosedFilesIgnoreEverything) {
  TLineFile Never;
  LineFileWriteLine(Never, "nothing");
  LineFileOpenRead(Never);
  EXPECT_TRUE(LineFileAtEnd(Never));
  LineFileClose(Never);
  LineFileClose(Never);
  EXPECT_FALSE(LineFileFailed(Never));
}

TEST_F(LineFileTest, ReadCompletelyTable) {
  struct TRow {
    const char* Bytes;
    bool Complete;
  };
  const TRow Rows[] = {
      {"", true},
      {"a\r\nb\r\n", true},
      {"a\r\n\x1A", true},  // a last 0x1A is only the old end-of-file mark
      {"a\r\n\x1A\x1A", false},
      {"a\r\n\x1A"
       "b\r\n",
       false},  // lines after the mark would be lost
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(Row.Bytes)));
    WriteBytes("file", Row.Bytes);
    TLineFile File;
    LineFileAssign(File, "file");
    LineFileOpenRead(File);
    std::string Line;
    while (!LineFileAtEnd(File)) LineFileReadLine(File, Line);
    EXPECT_EQ(Row.Complete, LineFileReadCompletely(File));
    LineFileClose(File);
  }
}

TEST_F(LineFileTest, ReadCompletelyIsFalseBeforeTheEnd) {
  WriteBytes("file", "a\r\nb\r\n");
  TLineFile File;
  LineFileAssign(File, "file");
  LineFileOpenRead(File);
  std::string Line;
  LineFileReadLine(File, Line);
  EXPECT_FALSE(LineFileReadCompletely(File));
  LineFileClose(File);
}
