// Line files: buffering, the line-end and 0x1A rules, the flush policy.
#include "platform/line_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

TLineFile StdOutFile = [] {
  TLineFile File;
  File.Mode = lmClosed;
  return File;
}();

static constexpr char EndOfTextMark = 0x1A;

void LineFileAssign(TLineFile& File, std::string Name) {
  LineFileClose(File);
  File.Name = std::move(Name);
  File.Mode = lmClosed;
}

// Files are opened one after another, so one spare buffer for each thread spares a
// run from allocating and clearing 64 KiB for every file it reads.
static thread_local std::unique_ptr<char[]> SpareBuffer;

static void ResetBuffer(TLineFile& File) {
  if (File.Buffer == nullptr) {
    File.Buffer = SpareBuffer != nullptr
                      ? std::move(SpareBuffer)
                      : std::make_unique_for_overwrite<char[]>(TLineFile::BufferSize);
  }
  File.BufferPos = 0;
  File.BufferEnd = 0;
  File.BufferOffset = 0;
  File.Failed = false;
  File.ReachedEnd = false;
  File.LineTooLong = false;
  File.ErrorCode = 0;
}

// Takes the handle of a file opened for reading, or notes why it could not be.
static void StartReading(TLineFile& File, TFileHandle Handle) {
  File.Handle = Handle;
  if (File.Handle == InvalidFileHandle) {
    File.ErrorCode = LastSystemError();
    File.Failed = true;
    return;
  }
  File.Mode = lmReading;
}

void LineFileOpenRead(TLineFile& File) {
  if (File.Mode == lmUnbound) return;
  LineFileClose(File);
  ResetBuffer(File);
  StartReading(File, RawOpenRead(File.Name, &File.Size));
}

void LineFileOpenReadAt(TLineFile& File, const TDirectory& Dir, const std::string& Name) {
  LineFileAssign(File, Name);
  ResetBuffer(File);
  StartReading(File, RawOpenReadAt(Dir, Name, &File.Size));
}

void LineFileCreate(TLineFile& File) {
  if (File.Mode == lmUnbound) return;
  LineFileClose(File);
  ResetBuffer(File);
  File.Handle = File.Name.empty() ? RawStdOut() : RawCreate(File.Name);
  if (File.Handle == InvalidFileHandle) {
    File.ErrorCode = LastSystemError();
    File.Failed = true;
    return;
  }
  File.FlushEachLine = RawIsConsole(File.Handle);
  File.Mode = lmWriting;
}

// Refills an exhausted read buffer; false when no byte could be had. The reads are positional,
// so that the same handle can serve a copy of the file's bytes meanwhile.
static bool FillBuffer(TLineFile& File) {
  if (File.ReachedEnd) return false;
  const std::uint64_t Next = File.BufferOffset + File.BufferEnd;
  // Its size when it was opened is where the file ends: a rewrite checks that it did not grow.
  if (Next >= File.Size) {
    File.BufferOffset += File.BufferPos;
    File.BufferPos = File.BufferEnd = 0;
    File.ReachedEnd = true;
    return false;
  }
  std::ptrdiff_t Count = RawReadAt(File.Handle, Next, File.Buffer.get(), TLineFile::BufferSize);
  File.BufferOffset += File.BufferPos;
  File.BufferPos = 0;
  File.BufferEnd = 0;
  if (Count <= 0) {
    File.ReachedEnd = true;
    if (Count < 0) File.Failed = true;
    return false;
  }
  File.BufferEnd = static_cast<std::size_t>(Count);
  return true;
}

// Whether a byte is available at BufferPos, refilling the buffer if needed.
static bool HasByte(TLineFile& File) { return File.BufferPos < File.BufferEnd || FillBuffer(File); }

bool LineFileAtEnd(TLineFile& File) {
  if (File.Mode != lmReading || File.LineTooLong) return true;
  return !HasByte(File) || File.Buffer[File.BufferPos] == EndOfTextMark;
}

void LineFileReadLine(TLineFile& File, std::string& Line) {
  Line.clear();
  if (File.Mode != lmReading) return;
  while (HasByte(File)) {
    const char* Start = File.Buffer.get() + File.BufferPos;
    const char* End = File.Buffer.get() + File.BufferEnd;
    const char* Stop = std::find_if(Start, End, [](char Byte) {
      return Byte == '\n' || Byte == '\r' || Byte == EndOfTextMark;
    });
    if (Line.size() + static_cast<std::size_t>(Stop - Start) > MaxLineLength) {
      File.LineTooLong = true;
      return;
    }
    Line.append(Start, Stop);
    File.BufferPos += static_cast<std::size_t>(Stop - Start);
    if (Stop == End) continue;
    if (*Stop == EndOfTextMark) return;  // left in place: the text ends here for good
    ++File.BufferPos;
    if (*Stop == '\n') return;
    // A CR ends the line only together with a following LF; any other CR is dropped.
    if (HasByte(File) && File.Buffer[File.BufferPos] == '\n') {
      ++File.BufferPos;
      return;
    }
  }
}

// Hands the buffered bytes to the system. A failed write loses them.
static bool FlushBuffer(TLineFile& File) {
  bool Written = RawWrite(File.Handle, File.Buffer.get(), File.BufferPos);
  File.BufferPos = 0;
  if (!Written && !File.Failed) File.ErrorCode = LastSystemError();
  if (!Written) File.Failed = true;
  return Written;
}

// Appends bytes to the write buffer, handing it on each time it fills.
static bool BufferBytes(TLineFile& File, std::string_view Bytes) {
  while (!Bytes.empty()) {
    std::size_t Room = TLineFile::BufferSize - File.BufferPos;
    std::size_t Count = std::min(Room, Bytes.size());
    std::memcpy(File.Buffer.get() + File.BufferPos, Bytes.data(), Count);
    File.BufferPos += Count;
    Bytes.remove_prefix(Count);
    if (File.BufferPos == TLineFile::BufferSize && !FlushBuffer(File)) return false;
  }
  return true;
}

void LineFileWriteLine(TLineFile& File, std::string_view Text) {
  // Standard output opens itself with its first line.
  if (&File == &StdOutFile && File.Mode == lmClosed) LineFileCreate(File);
  if (File.Mode != lmWriting) return;
  // A failed write drops the rest of the line, line end included.
  if (!BufferBytes(File, Text) || !BufferBytes(File, LineEnd)) return;
  if (File.FlushEachLine && File.BufferPos > 0) FlushBuffer(File);
}

void LineFileClose(TLineFile& File) {
  if (File.Mode == lmWriting && File.BufferPos > 0) FlushBuffer(File);
  if (File.Mode == lmReading || File.Mode == lmWriting) {
    if (!File.Name.empty() && !RawClose(File.Handle) && !File.Failed) {
      File.ErrorCode = LastSystemError();
      File.Failed = true;
    }
    File.Handle = InvalidFileHandle;
    File.Mode = lmClosed;
  }
  if (SpareBuffer == nullptr) SpareBuffer = std::move(File.Buffer);
}

bool LineFileFailed(const TLineFile& File) { return File.Failed; }

bool LineFileReadCompletely(TLineFile& File) {
  if (File.Mode != lmReading || File.Failed) return false;
  if (HasByte(File)) {
    if (File.Buffer[File.BufferPos] != EndOfTextMark) return false;
    ++File.BufferPos;
    if (HasByte(File)) return false;
  }
  return !File.Failed;
}

std::uint64_t LineFileOffset(const TLineFile& File) { return File.BufferOffset + File.BufferPos; }

void LineFileHandOn(TLineFile& File) {
  if (File.Mode == lmWriting && File.BufferPos > 0) FlushBuffer(File);
}
