// CVS's write lock on a repository directory, taken the way CVS documents it
// for other programs.
#ifndef MORVELLAN_APP_CVS_LOCK_H
#define MORVELLAN_APP_CVS_LOCK_H

#include <string>

class TOutput;
struct TRepositoryPlace;

/// Whether a write lock on the repository directory of Place could be made,
/// found without making it and without waiting: false after one line saying
/// why the directory is left unchanged (the repository directory is missing,
/// LockDir is missing, or the system says the lock directory is not
/// writable).
bool CanLockRepository(const TRepositoryPlace& Place, TOutput& Output);

/// One write lock: "#cvs.lock" held, with "#cvs.wfl.<host>.<pid>" beside it,
/// in the repository directory or, when CVSROOT/config sets LockDir, in LockDir
/// + the directory's path below the root. Released by Release or at the end of
/// its scope; a second interrupt releases it too.
class TRepositoryLock {
 public:
  TRepositoryLock() = default;
  ~TRepositoryLock() { Release(); }
  TRepositoryLock(const TRepositoryLock&) = delete;
  TRepositoryLock& operator=(const TRepositoryLock&) = delete;

  /// Takes the lock, waiting while another process holds "#cvs.lock" or a
  /// reader's "#cvs.rfl"/"#cvs.pfl" file is there (one line on the first wait,
  /// naming the holder where a lock file names one; at most 30 seconds; an
  /// interrupt ends the wait at once). True with the lock held; false, after
  /// one line saying why the directory is left unchanged unless an interrupt
  /// ended the wait, when it cannot be had.
  bool Take(const TRepositoryPlace& Place, TOutput& Output);
  /// Removes the "#cvs.wfl" file, then "#cvs.lock"; harmless when not held.
  void Release();

 private:
  bool Held = false;
};

#endif
