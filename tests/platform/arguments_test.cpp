// Cutting a Windows command line into arguments; pure, so tested on both platforms.
#include "platform/arguments.h"

#include <gtest/gtest.h>

#include "tests/support/code_page_932.h"

TEST(ArgumentsTest, CutCommandLineTable) {
  struct TRow {
    std::string Line;
    std::vector<std::string> Expected;
  };
  const TRow Rows[] = {
      {R"(prog)", {"prog"}},
      {R"(prog "C:\My Dir\" -f)", {"prog", R"(C:\My Dir\)", "-f"}},  // no escape before a quote
      {R"(prog "" -f)", {"prog", "-f"}},                  // an empty pair forms no argument
      {R"(prog C:\My" "Dir)", {"prog", R"(C:\My Dir)"}},  // quotes open and close inside
      {"prog\ta\x01"
       "b  c",
       {"prog", "a", "b", "c"}},          // 0x01 to 0x20 separate
      {R"(prog "a b)", {"prog", "a b"}},  // an open quote runs to the end
      {R"(prog ""a)", {"prog", "a"}},
      {R"(prog """")", {"prog"}},
      {R"(prog "")", {"prog"}},
      {R"(  "C:\Program Files\m.exe" x)", {R"(C:\Program Files\m.exe)", "x"}},
      {R"(prog a\\"b c")", {"prog", R"(a\\b c)"}},
      {"", {}},
  };
  // The wide form of the command line is cut by the same rules.
  auto Widened = [](const std::string& Text) { return std::wstring(Text.begin(), Text.end()); };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Line);
    EXPECT_EQ(Row.Expected, CutCommandLine(Row.Line, CharSet{}));
    std::vector<std::wstring> Expected;
    for (const std::string& Argument : Row.Expected) Expected.push_back(Widened(Argument));
    EXPECT_EQ(Expected, CutCommandLine(Widened(Row.Line)));
  }
}

TEST(ArgumentsTest, TwoByteCharactersAreNeverSplit) {
  const CharSet& LeadBytes = CodePage932LeadBytes;
  // The trail byte 0x20 would end the argument if it were taken alone.
  EXPECT_EQ((std::vector<std::string>{"prog", "a\x81 b", "c"}),
            CutCommandLine("prog a\x81 b c", LeadBytes));
  EXPECT_EQ((std::vector<std::string>{"prog", "a\x81", "b"}),
            CutCommandLine("prog a\x81 b", CharSet{}));
  EXPECT_EQ((std::vector<std::string>{"prog", "x\x81"}), CutCommandLine("prog x\x81", LeadBytes));
  // A wide character is whole by itself.
  EXPECT_EQ((std::vector<std::wstring>{L"prog", L"a\x81", L"b"}),
            CutCommandLine(std::wstring_view(L"prog a\x81 b")));
}
