// Whole-file loading and string helpers.
#include "platform/text.h"

#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "platform/raw_file.h"

#include <algorithm>
#include <cstdint>

[[noreturn]] static void ThrowCannotOpen(const std::string& FileName, int Error) {
  throw EFOpenError(
      "Cannot open file \"" + FullPathName(FileName) + "\". " + SystemErrorText(Error), Error);
}

// Reads the whole file, of Size bytes when it was opened, and closes it; false when it holds more
// than MaxWholeFileSize bytes. A read asked for one byte more than the size ends at once at the end
// of a file that did not grow.
static bool ReadWholeFile(TFileHandle Handle, std::uint64_t Size, std::string& Bytes) {
  char Chunk[65536];
  std::ptrdiff_t Count;
  std::size_t Wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(Size, sizeof Chunk - 1)) + 1;
  while (Bytes.size() <= MaxWholeFileSize && (Count = RawRead(Handle, Chunk, Wanted)) > 0) {
    Bytes.append(Chunk, static_cast<std::size_t>(Count));
    if (static_cast<std::size_t>(Count) < Wanted && Bytes.size() >= Size) break;
    Wanted = sizeof Chunk;
  }
  RawClose(Handle);
  return Bytes.size() <= MaxWholeFileSize;
}

static void LoadFromHandle(TStringList& List, TFileHandle Handle, std::uint64_t Size,
                           const std::string& FileName) {
  if (Handle == InvalidFileHandle) ThrowCannotOpen(FileName, LastSystemError());
  std::string Bytes;
  if (!ReadWholeFile(Handle, Size, Bytes)) ThrowCannotOpen(FileName, FileTooLargeError);
  SplitTextIntoLines(List, Bytes);
}

void LoadLinesFromFile(TStringList& List, const std::string& FileName) {
  std::uint64_t Size = 0;
  const TFileHandle Handle = RawOpenRead(FileName, &Size);
  LoadFromHandle(List, Handle, Size, FileName);
}

void LoadLinesFromFileAt(TStringList& List, const TDirectory& Dir, const std::string& Name,
                         const std::string& FileName) {
  std::uint64_t Size = 0;
  const TFileHandle Handle = RawOpenReadAt(Dir, Name, &Size);
  LoadFromHandle(List, Handle, Size, FileName);
}

int ReadWholeFileAt(const TDirectory& Dir, const std::string& Name, std::string& Bytes) {
  std::uint64_t Size = 0;
  const TFileHandle Handle = RawOpenReadAt(Dir, Name, &Size);
  if (Handle == InvalidFileHandle) return LastSystemError();
  return ReadWholeFile(Handle, Size, Bytes) ? 0 : FileTooLargeError;
}

void SplitTextIntoLines(TStringList& List, std::string_view Text) {
  List.clear();
  std::size_t Pos = 0;
  while (Pos < Text.size() && Text[Pos] != '\0') {
    std::size_t End = Text.find_first_of(std::string_view("\0\n\r", 3), Pos);
    if (End == std::string_view::npos) End = Text.size();
    List.emplace_back(Text.substr(Pos, End - Pos));
    Pos = End;
    if (Pos < Text.size() && Text[Pos] == '\r') ++Pos;
    if (Pos < Text.size() && Text[Pos] == '\n') ++Pos;
  }
}

std::string JoinLinesToText(const TStringList& List) {
  std::string Text;
  for (const std::string& Item : List) {
    Text += Item;
    Text += "\r\n";
  }
  return Text;
}

static bool IsBlank(char Byte) { return static_cast<unsigned char>(Byte) <= 0x20; }

std::string TrimBlanks(std::string_view Text) {
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  return std::string(Text);
}

std::string LowerAscii(std::string_view Text) {
  std::string Lower(Text);
  for (char& Byte : Lower)
    if (Byte >= 'A' && Byte <= 'Z') Byte = static_cast<char>(Byte + 0x20);
  return Lower;
}
