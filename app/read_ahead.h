// Reading ahead of the walk: helper threads fill the system's caches with the
// listings and administrative files that the walk will read next.
#ifndef MORVELLAN_APP_READ_AHEAD_H
#define MORVELLAN_APP_READ_AHEAD_H

#include <memory>
#include <string>

/// Helper threads that walk the working copy below Start by the walk's own
/// rules, ahead of it: they list directories, read each administrative
/// directory's files and list its local repository directory. They never
/// write, delete or lock, and the walk never waits for them, so every output
/// and every change is that of a walk without them. They stay at most a few
/// hundred administrative directories ahead. MORVELLAN_READAHEAD=on starts
/// them at once, =off never; otherwise (auto) they start only once the walk
/// meets files that are not cached (where the system cannot say: once the
/// walk is slow).
class TReadAhead {
 public:
  explicit TReadAhead(const std::string& Start);
  /// Stops the helpers; each ends after the read it is in.
  ~TReadAhead();
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  /// The walk is about to process AdminDirectory.
  void Reaching(const std::string& AdminDirectory);

  struct TState;

 private:
  std::unique_ptr<TState> State;
};

#endif
