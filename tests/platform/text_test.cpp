// Whole-file loading, joining, trimming and lower-casing.
#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

TEST(TextTest, SplitTextIntoLinesTable) {
  struct TRow {
    std::string_view Text;
    TStringList Expected;
  };
  using namespace std::string_view_literals;
  const TRow Rows[] = {
      {"", {}},
      {"\r\n", {""}},
      {"a\rb\n", {"a", "b"}},                        // a lone CR ends a line here
      {"a\r\nb\x1A" "c\r\nd", {"a", "b\x1A" "c", "d"}},  // 0x1A is an ordinary byte
      {"a\0b\r\nc"sv, {"a"}},                        // NUL ends the text
      {"a\n\rb", {"a", "", "b"}},                    // LF CR: a line end, then an empty line
      {"a\r\n\r\n", {"a", ""}},
      {"\0a"sv, {}},
      {"last", {"last"}},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(Row.Text)));
    TStringList List = {"stale"};
    SplitTextIntoLines(List, Row.Text);
    EXPECT_EQ(Row.Expected, List);
  }
}

TEST(TextTest, JoinLinesToTextEndsEveryItem) {
  EXPECT_EQ("", JoinLinesToText({}));
  EXPECT_EQ("\r\n", JoinLinesToText({""}));
  EXPECT_EQ("a\r\nb\r\n", JoinLinesToText({"a", "b"}));
}

TEST(TextTest, TrimBlanksRemovesControlBytesAtBothEnds) {
  EXPECT_EQ("", TrimBlanks(" \t \t"));
  EXPECT_EQ("a b", TrimBlanks(std::string("\0\r\n a b\x1F ", 10)));
  EXPECT_EQ("\x7F" "a", TrimBlanks("\x7F" "a"));  // DEL is not a blank
}

TEST(TextTest, LowerAsciiChangesOnlyAToZ) {
  EXPECT_EQ("-f", LowerAscii("-F"));
  EXPECT_EQ("az@[`{", LowerAscii("AZ@[`{"));
  std::string High;
  for (int Byte = 0xC0; Byte <= 0xDE; ++Byte) High += static_cast<char>(Byte);
  EXPECT_EQ(High, LowerAscii(High));
}

class LoadLinesTest : public TTempDirTest {};

TEST_F(LoadLinesTest, SplitsByWholeFileRules) {
  WriteBytes("Root", "a\rb\n");
  TStringList List;
  LoadLinesFromFile(List, "Root");
  EXPECT_EQ((TStringList{"a", "b"}), List);
}

TEST_F(LoadLinesTest, LocalRootJoinsAndTrimsToOneLine) {
  WriteBytes("Root", ":local:/srv/cvs\r\n");
  TStringList List;
  LoadLinesFromFile(List, "Root");
  EXPECT_EQ(":local:/srv/cvs", TrimBlanks(JoinLinesToText(List)));
  WriteBytes("Root", "one\ntwo\n");
  LoadLinesFromFile(List, "Root");
  EXPECT_EQ("one\r\ntwo", TrimBlanks(JoinLinesToText(List)));
}

TEST_F(LoadLinesTest, MissingFileRaisesWithFullPathAndKeepsList) {
  TStringList List = {"kept"};
  try {
    LoadLinesFromFile(List, "Missing");
    FAIL() << "no exception";
  } catch (const EFOpenError& Error) {
    const std::string Prefix = "Cannot open file \"" + PathOf("Missing") + "\". ";
    ASSERT_EQ(Prefix, Error.Message().substr(0, Prefix.size()));
    std::string Description = Error.Message().substr(Prefix.size());
    EXPECT_FALSE(Description.empty());
    EXPECT_NE('.', Description.back());
    EXPECT_GT(static_cast<unsigned char>(Description.back()), 0x20);
    EXPECT_EQ("EFOpenError", Error.ClassName());
  }
  EXPECT_EQ((TStringList{"kept"}), List);
}

TEST_F(LoadLinesTest, DirectoryCannotBeLoaded) {
  WriteBytes(PathOf("Root/x"), "");
  TStringList List;
  EXPECT_THROW(LoadLinesFromFile(List, "Root"), EFOpenError);
}
