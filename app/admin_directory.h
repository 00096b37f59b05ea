// One administrative directory: the look at what its cleanup would do, made
// without writing (possibly ahead of the walk, on a helper thread), and the
// cleanup itself, in the walk's order.
#ifndef MORVELLAN_APP_ADMIN_DIRECTORY_H
#define MORVELLAN_APP_ADMIN_DIRECTORY_H

#include <cstdint>
#include <exception>
#include <string>

#include "app/entries_filter.h"
#include "app/repository.h"
#include "platform/dir_scan.h"

struct TCleanupRun;

/// What a folder's own .cvsignore, beside its CVS folder, means for the run.
enum TFolderIgnore {
  fiNone,        ///< no such file, or one without "!"
  fiReset,       ///< it holds "!": CVS ignores nothing by the user's patterns there
  fiUnreadable,  ///< it is there but cannot be read
};

/// What an administrative directory's files hold for the cleanup, read before
/// anything changes.
struct TDirectoryLook {
  /// What ended the look early (Root or Repository unreadable, a malformed
  /// pattern reached): raised where the directory's lines reach it.
  std::exception_ptr Failure;
  /// A file or directory could not be opened for want of descriptors or
  /// memory: the look is worth making again once others have let go.
  bool Shortage = false;
  TRepositoryPlace Place;
  bool UnmergedLog = false;  ///< Entries.Log holds work that CVS must merge first
  bool Complete = false;     ///< the look went as far as the entries and repository files
  TEntriesLook Entries;
  TEntriesLook Extra;
  TRevisionLook Revisions;

  bool Refused() const { return Entries.State == esRefused || Extra.State == esRefused; }
  bool RewritesEntries() const {
    return Entries.State == esRewritten || Extra.State == esRewritten;
  }
  bool ChangesAnything() const { return RewritesEntries() || Revisions.Removable > 0; }
  bool RemovesAnyLine() const {
    return !Entries.RemovedLines.empty() || !Extra.RemovedLines.empty();
  }
};

/// An administrative directory that the walk found, or the one beside the
/// single-file target.
struct TAdminJob {
  std::string Path;   ///< ".../CVS", no trailing separator
  TDirectory Admin;   ///< held open, unless it could not be opened
  int OpenError = 0;  ///< why Admin could not be opened
  TFolderIgnore FolderIgnore = fiNone;
  int FolderIgnoreError = 0;
  std::string FolderIgnorePath;  ///< the folder's .cvsignore, where it has one
  std::uint64_t MadeAt = 0;      ///< the run's count of changes when the job was made

  /// Where the read-ahead's helpers are with the job; guarded by their lock.
  enum TAheadState { asNone, asQueued, asMaking, asMade };
  TAheadState AheadState = asNone;
  TDirectoryLook MadeAhead;  ///< asMade: the look a helper made
};

/// Looks at the job's directory without writing anything: Root and Repository,
/// Entries.Log, both entries files and the repository directory. Safe on a
/// helper thread: it only reads, and keeps every failure for the caller.
TDirectoryLook MakeLook(const TAdminJob& Job, const TRemovalTest& Test);

/// Announces the administrative directory and cleans it from its look: writes
/// the lines and, in live mode, makes the changes, under CVS's write lock and
/// from what the files hold then, the revision files (those of Attic included)
/// only once the entries files were replaced and flushed to disk. A directory
/// that cannot be cleaned safely is left unchanged with one line saying why.
/// Rethrows the look's failure.
void ProcessAdminDirectory(TCleanupRun& Run, const TAdminJob& Job, const TDirectoryLook& Look);

#endif
