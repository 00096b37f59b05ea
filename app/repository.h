// Where an administrative directory's repository lies, and its revision files.
#ifndef MORVELLAN_APP_REPOSITORY_H
#define MORVELLAN_APP_REPOSITORY_H

#include <cstddef>
#include <string>

/// What CVS/Root and CVS/Repository say of a working directory's repository.
struct TRepositoryPlace {
  std::string RootText;   ///< CVS/Root, its lines joined and trimmed
  bool Local = false;     ///< the revision files lie on a disk of this machine
  std::string Root;       ///< local: the repository root
  std::string Directory;  ///< local: the repository directory, no trailing separator
  /// Local: the directory's path below the root ("." for the root itself), or
  /// empty when an absolute Repository does not lie below the root.
  std::string BelowRoot;
};

/// Reads Root and, for a local root, Repository of the administrative
/// directory. A root is local when it begins with the method ":local:" or
/// ":fork:" in any case of letters (the root is what follows), or, where bare
/// absolute roots are local, when it is an absolute path. The repository
/// directory is root + separator + Repository, or Repository itself when that
/// is absolute. Throws EFOpenError when Root, or Repository of a local root,
/// cannot be opened.
TRepositoryPlace ReadRepositoryPlace(const std::string& AdminDirectory);

/// What the repository directory holds for the cleanup, found without writing.
struct TRevisionLook {
  std::size_t Removable = 0;  ///< revision files whose entry name is removable
  bool Unlistable = false;    ///< the directory or its Attic exists but cannot be listed
};

/// Counts the revision files (non-directories whose name holds ",v") of the
/// directory and then of its Attic whose entry name, the part before the last
/// ",v", is removable. A directory that does not exist holds none.
TRevisionLook LookAtRevisionFiles(const std::string& Directory);

/// Logs every such revision file and, when Delete, deletes it, read-only or
/// not; a file still there afterwards gets one more line with the system's
/// reason. A directory (or Attic) that exists but cannot be listed gets one line
/// with the system's reason. Gives the number deleted, or that would be.
std::size_t DeleteRevisionFiles(const std::string& Directory, bool Delete);

#endif
