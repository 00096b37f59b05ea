// Text files read or written one line at a time, and standard output as one.
#ifndef MORVELLAN_PLATFORM_LINE_FILE_H
#define MORVELLAN_PLATFORM_LINE_FILE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/raw_file.h"

enum TLineFileMode { lmUnbound, lmClosed, lmReading, lmWriting };

/// One text file. No operation on it returns a status or throws: a file that
/// cannot be opened reads as empty text, and writes to it vanish. Morvellan's
/// own checks (LineFileFailed, LineFileReadCompletely) are the only way to
/// learn what went wrong.
struct TLineFile {
  // Large enough that huge trees cost few system calls; the bytes and their
  // order do not depend on it.
  static constexpr std::size_t BufferSize = 65536;

  std::string Name;  // empty: standard output
  TLineFileMode Mode = lmUnbound;
  TFileHandle Handle = InvalidFileHandle;
  std::unique_ptr<char[]> Buffer;  // held while the file is open
  std::size_t BufferPos = 0;
  std::size_t BufferEnd = 0;
  std::uint64_t BufferOffset = 0;  // reading: where in the file Buffer[0] stands
  std::uint64_t Size = 0;          // reading: the file's size when it was opened
  bool FlushEachLine = false;
  bool Failed = false;       // an open, read, write or close went wrong
  bool ReachedEnd = false;   // reading: the system has no more bytes to give
  bool LineTooLong = false;  // reading stopped at a line longer than MaxLineLength
  int ErrorCode = 0;         // the system's code of the first open or write that failed
};

/// The longest line a reader takes: memory stays bounded on any input.
inline constexpr std::size_t MaxLineLength = std::size_t{32} << 20;

/// Standard output as a TLineFile, opened by the first line written to it.
extern TLineFile StdOutFile;

/// Binds the name (empty: standard output); the file becomes closed, touches no file.
void LineFileAssign(TLineFile& File, std::string Name);
/// Closes the file if open, then opens the existing regular file for reading at
/// its start (RawOpenRead).
void LineFileOpenRead(TLineFile& File);
/// Binds the name Name of Dir and opens it for reading without following a
/// link (RawOpenReadAt).
void LineFileOpenReadAt(TLineFile& File, const TDirectory& Dir, const std::string& Name);
/// Closes the file if open, then creates it empty (or truncates it) for writing.
/// Lines are handed to the system one by one on a console, in blocks otherwise.
void LineFileCreate(TLineFile& File);
/// True when no byte remains, the next byte is 0x1A or a line was too long;
/// true for a file not open for reading. Consumes nothing.
bool LineFileAtEnd(TLineFile& File);
/// Reads the rest of the current line into Line, without its line end. LF and
/// CR LF end a line; any other CR is dropped; 0x1A ends the line and the text
/// and is not consumed. A line longer than MaxLineLength ends the text, with
/// LineFileLineTooLong set.
void LineFileReadLine(TLineFile& File, std::string& Line);
/// Writes the bytes unchanged, then LineEnd. Does nothing unless open for writing.
void LineFileWriteLine(TLineFile& File, std::string_view Text);
/// Hands buffered bytes to the system when writing, closes the handle.
void LineFileClose(TLineFile& File);
/// Hands the buffered lines to the system now, so that they survive the
/// process being killed; does nothing unless open for writing.
void LineFileHandOn(TLineFile& File);

/// Whether an open, read, write or close of this file failed since it was last
/// opened or created.
bool LineFileFailed(const TLineFile& File);
/// After reading: whether the reader stopped at a line longer than MaxLineLength.
inline bool LineFileLineTooLong(const TLineFile& File) { return File.LineTooLong; }
/// The system's code of the first open or write that failed since the file was
/// last opened or created, 0 when none did.
inline int LineFileErrorCode(const TLineFile& File) { return File.ErrorCode; }
/// The open file's handle, for positional reads of its bytes (RawReadAt);
/// InvalidFileHandle when it is not open.
inline TFileHandle LineFileHandle(const TLineFile& File) { return File.Handle; }
/// After reading: whether the file was opened and read to its physical end
/// without error. False when the reader stopped at a 0x1A byte that has further
/// bytes after it (a last 0x1A is the old end-of-file mark and loses nothing).
bool LineFileReadCompletely(TLineFile& File);
/// Reading: how many bytes of the file the reader has consumed, line ends and
/// dropped CRs included; so a line read lies between the offsets before and
/// after LineFileReadLine.
std::uint64_t LineFileOffset(const TLineFile& File);

/// Closes the file when it goes out of scope, so that an exception leaves no
/// handle open and no buffered line unwritten.
class TLineFileGuard {
 public:
  explicit TLineFileGuard(TLineFile& File) : Guarded(File) {}
  ~TLineFileGuard() { LineFileClose(Guarded); }
  TLineFileGuard(const TLineFileGuard&) = delete;
  TLineFileGuard& operator=(const TLineFileGuard&) = delete;

 private:
  TLineFile& Guarded;
};

#endif
