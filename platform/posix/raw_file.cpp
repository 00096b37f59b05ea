// POSIX file handles. Read-only files are those whose owner-write bit is clear.
#include "platform/raw_file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/posix/descriptor.h"

const std::string_view LineEnd = "\n";

static int AsFd(TFileHandle Handle) { return static_cast<int>(Handle); }

const int NotRegularFileError = -1000;  // no errno says it
const int FileTooLargeError = EFBIG;
const int IsADirectoryError = EISDIR;

// Keeps an open descriptor only when it is a regular file, and notes its size. It was opened with
// O_NONBLOCK, so that a FIFO never waits for a writer; on a regular file that changes nothing.
static TFileHandle KeepRegularFile(int Fd, std::uint64_t* Size) {
  if (Fd < 0) {
    if (errno == ELOOP) errno = NotRegularFileError;  // a link that was not followed
    return InvalidFileHandle;
  }
  struct stat Info;
  int Code = 0;
  if (fstat(Fd, &Info) != 0)
    Code = errno;
  else if (S_ISDIR(Info.st_mode))
    Code = IsADirectoryError;
  else if (!S_ISREG(Info.st_mode))
    Code = NotRegularFileError;
  if (Code != 0) {
    close(Fd);
    errno = Code;
    return InvalidFileHandle;
  }
  if (Size != nullptr) *Size = static_cast<std::uint64_t>(Info.st_size);
  return Fd;
}

TFileHandle RawOpenRead(const std::string& Path, std::uint64_t* Size) {
  return KeepRegularFile(open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK), Size);
}

TFileHandle RawOpenReadAt(const TDirectory& Dir, const std::string& Name, std::uint64_t* Size) {
  return KeepRegularFile(openat(DirectoryDescriptor(Dir), Name.c_str(),
                                O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW),
                         Size);
}

TCacheState FileCacheState(const std::string& Path) {
  const int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
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

// Opens Path for writing without following a link: O_NONBLOCK keeps a FIFO without a reader from
// holding the run, and anything but a regular file is refused.
static int OpenForWriting(const std::string& Path) {
  const int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (Fd < 0) return -1;
  struct stat Info;
  if (fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode)) {
    close(Fd);
    errno = NotRegularFileError;
    return -1;
  }
  // Refused when owner-write is clear: Windows refuses read-only files and both builds must agree.
  if (!(Info.st_mode & S_IWUSR)) {
    close(Fd);
    errno = EACCES;
    return -1;
  }
  if (ftruncate(Fd, 0) != 0 || fcntl(Fd, F_SETFL, O_WRONLY) != 0) {
    const int Error = errno;
    close(Fd);
    errno = Error;
    return -1;
  }
  return Fd;
}

TFileHandle RawCreate(const std::string& Path) {
  int Fd = OpenForWriting(Path);
  // A link of that name is replaced, never written through.
  struct stat Info;
  if (Fd < 0 && errno == ELOOP && lstat(Path.c_str(), &Info) == 0 && S_ISLNK(Info.st_mode) &&
      unlink(Path.c_str()) == 0)
    Fd = OpenForWriting(Path);
  if (Fd < 0 && errno == ELOOP) errno = NotRegularFileError;
  return Fd < 0 ? InvalidFileHandle : Fd;
}

TFileHandle RawCreateExclusiveAt(const TDirectory& Dir, const std::string& Name) {
  const int Fd = openat(DirectoryDescriptor(Dir), Name.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  return Fd < 0 ? InvalidFileHandle : Fd;
}

bool RawIsReadOnly(TFileHandle Handle) {
  struct stat Info;
  return fstat(AsFd(Handle), &Info) == 0 && !(Info.st_mode & S_IWUSR);
}

bool RawCopyPermissions(TFileHandle From, TFileHandle To) {
  struct stat Info;
  return fstat(AsFd(From), &Info) == 0 && fchmod(AsFd(To), Info.st_mode & 07777) == 0;
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

std::ptrdiff_t RawReadAt(TFileHandle Handle, std::uint64_t Offset, char* Buffer, std::size_t Size) {
  for (;;) {
    ssize_t Count = pread(AsFd(Handle), Buffer, Size, static_cast<off_t>(Offset));
    if (Count >= 0) return Count;
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

std::size_t OpenFileLimit() {
  rlimit Limit;
  if (getrlimit(RLIMIT_NOFILE, &Limit) != 0 || Limit.rlim_cur == RLIM_INFINITY) return 1 << 20;
  return static_cast<std::size_t>(Limit.rlim_cur);
}

bool IsShortageError(int Code) { return Code == EMFILE || Code == ENFILE || Code == ENOMEM; }

bool IsNotFoundError(int Code) { return Code == ENOENT || Code == ENOTDIR; }

std::string SystemMessage(int Code) {
  return Code == NotRegularFileError ? "Not a regular file" : std::strerror(Code);
}
