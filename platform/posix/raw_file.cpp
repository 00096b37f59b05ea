// POSIX file handles. Read-only files are those whose owner-write bit is clear.
#include "platform/raw_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

const std::string_view LineEnd = "\n";

static int AsFd(TFileHandle Handle) { return static_cast<int>(Handle); }

TFileHandle RawOpenRead(const std::string& Path) {
  int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return InvalidFileHandle;
  struct stat Info;
  // Windows cannot open a directory as a file; neither may we.
  if (fstat(Fd, &Info) != 0 || S_ISDIR(Info.st_mode)) {
    close(Fd);
    errno = EISDIR;
    return InvalidFileHandle;
  }
  return Fd;
}

// POSIX locks nothing: opening for reading never hinders another program.
TFileHandle RawOpenReadShared(const std::string& Path) { return RawOpenRead(Path); }

TCacheState FileCacheState(const std::string& Path) {
  const int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return csCannotTell;
  TCacheState State = csCannotTell;
#ifdef RWF_NOWAIT
  char Byte;
  iovec Vector = {&Byte, 1};
  if (preadv2(Fd, &Vector, 1, 0, RWF_NOWAIT) >= 0)
    State = csCached;
  else if (errno == EAGAIN)
    State = csNotCached;
#endif
  close(Fd);
  return State;
}

TFileHandle RawCreate(const std::string& Path) {
  struct stat Info;
  // Refused when owner-write is clear: Windows refuses read-only files and both builds must agree.
  if (stat(Path.c_str(), &Info) == 0 && !S_ISDIR(Info.st_mode) && !(Info.st_mode & S_IWUSR)) {
    errno = EACCES;
    return InvalidFileHandle;
  }
  int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return Fd < 0 ? InvalidFileHandle : Fd;
}

// A reader that goes away must not end the run: failed writes are ignored, and
// the exit status stays 0 or 1.
static void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

TFileHandle RawStdOut() {
  IgnoreBrokenPipes();
  return fcntl(STDOUT_FILENO, F_GETFD) == -1 ? InvalidFileHandle : STDOUT_FILENO;
}

bool RawIsConsole(TFileHandle Handle) { return isatty(AsFd(Handle)) == 1; }

std::ptrdiff_t RawRead(TFileHandle Handle, char* Buffer, std::size_t Size) {
  for (;;) {
    ssize_t Count = read(AsFd(Handle), Buffer, Size);
    if (Count >= 0) return Count;
    if (errno == EPIPE) return 0;
    if (errno != EINTR) return -1;
  }
}

bool RawWrite(TFileHandle Handle, const char* Bytes, std::size_t Size) {
  while (Size > 0) {
    ssize_t Count = write(AsFd(Handle), Bytes, Size);
    if (Count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Bytes += Count;
    Size -= static_cast<std::size_t>(Count);
  }
  return true;
}

bool RawFlushToDisk(TFileHandle Handle) { return fsync(AsFd(Handle)) == 0; }

bool RawClose(TFileHandle Handle) { return close(AsFd(Handle)) == 0; }

void RawWriteStdErr(std::string_view Bytes) {
  IgnoreBrokenPipes();
  RawWrite(STDERR_FILENO, Bytes.data(), Bytes.size());
}

int LastSystemError() { return errno; }

bool IsNotFoundError(int Code) { return Code == ENOENT || Code == ENOTDIR; }

std::string SystemMessage(int Code) { return std::strerror(Code); }
