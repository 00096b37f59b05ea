// Helper threads that work ahead of the walk: they make the looks of the
// administrative directories that the walk has found but not yet reached, and,
// where the data is not cached, list the directories and read the files that
// the walk will need next.
#ifndef MORVELLAN_APP_READ_AHEAD_H
#define MORVELLAN_APP_READ_AHEAD_H

#include <cstddef>
#include <memory>
#include <string>

#include "app/admin_directory.h"

/// The helpers never write, delete, lock or print, and a look they make is
/// exactly the look the walk would make itself, so every output and every
/// change is that of a walk without them. A helper that meets a shortage of
/// descriptors, memory or threads stops helping; the walk then makes the
/// looks itself. MORVELLAN_READAHEAD=off never starts them, =on starts all of
/// them at once; otherwise (auto) the look makers start at once where there is
/// a second processor, and the readers only once the walk meets files that
/// are not cached (where the system cannot say: once the walk is slow).
class TReadAhead {
 public:
  TReadAhead(const TRemovalTest& Test, const std::string& Start);
  /// Stops the helpers; each ends after the step it is in.
  ~TReadAhead();
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  /// How many of the walk's events may wait for their turn: 1 when no helper
  /// makes looks.
  std::size_t Window() const;
  /// Hands the job to the look makers. It must stay where it is until LookOf.
  void Submit(TAdminJob& Job);
  /// The job's look: the helpers' when one made it (waiting for one that is
  /// making it), otherwise made here.
  TDirectoryLook LookOf(TAdminJob& Job);
  /// The walk has entered one more directory.
  void Entering();
  /// Stops every helper and waits for them: the system ran short.
  void Stop();

  struct TState;

 private:
  std::unique_ptr<TState> State;
};

#endif
