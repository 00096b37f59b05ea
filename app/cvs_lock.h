// CVS's write lock on a repository directory, taken the way CVS documents it
// for other programs, and let go on every way out of the run.
#ifndef MORVELLAN_APP_CVS_LOCK_H
#define MORVELLAN_APP_CVS_LOCK_H

#include <string>

struct TRepositoryPlace;

/// One write lock: "#cvs.lock" held, with "#cvs.wfl.<host>.<pid>" beside it,
/// in the repository directory or, when CVSROOT/config sets LockDir, in LockDir
/// + the directory's path below the root. Released by Release or at the end of
/// its scope; an interrupt (Ctrl-C, SIGTERM, SIGHUP) releases it too.
class TRepositoryLock {
 public:
  TRepositoryLock() = default;
  ~TRepositoryLock() { Release(); }
  TRepositoryLock(const TRepositoryLock&) = delete;
  TRepositoryLock& operator=(const TRepositoryLock&) = delete;

  /// Live: takes the lock, waiting while another process holds "#cvs.lock"
  /// or a reader's "#cvs.rfl"/"#cvs.pfl" file is there (one line on the first
  /// wait; at most 30 seconds). Not live: only foresees what stands in the
  /// way without waiting. True when the directory's changes may go ahead;
  /// false after one line saying why it is left unchanged: the repository
  /// directory is missing, the lock cannot be made, or it stayed busy.
  bool Take(const TRepositoryPlace& Place, bool Live);
  /// Removes the "#cvs.wfl" file, then "#cvs.lock"; harmless when not held.
  void Release();

 private:
  /// One try: 0 with the lock held, or 0 with Busy naming the lock that stands
  /// in the way; otherwise the error that keeps the lock from being made.
  int TryOnce(const std::string& Directory, std::string& Busy);

  std::string MasterLock;  ///< the "#cvs.lock" directory
  std::string WriteLock;   ///< the "#cvs.wfl" file
};

#endif
