// Removing revision files from a local repository.
#ifndef MORVELLAN_APP_REPOSITORY_H
#define MORVELLAN_APP_REPOSITORY_H

#include <string>

/// Reads Root and Repository of the administrative directory and, for a local
/// root only, handles the revision files of its repository directory
/// (DeleteRevisionFiles). A root is local when it begins with ":local:" (and on
/// POSIX also when it is a bare absolute path); the repository directory is
/// root + separator + Repository, or Repository itself when that is absolute.
/// Live false only logs. In live mode, MayDelete false keeps every revision
/// file, with one line saying so: the entries that name them may still be
/// there, and CVS would take their disappearance for a removal. Throws
/// EFOpenError when Root, or Repository of a local root, cannot be opened.
void CleanRepository(const std::string& AdminDirectory, bool Live, bool MayDelete);

/// Logs every revision file (a non-directory whose name holds ",v") of the
/// directory whose entry name (before the first ",v") is removable, and when
/// Delete, clears its read-only bit and deletes it. A file still there
/// afterwards gets one more line. A directory that does not exist is skipped
/// silently; one that exists but cannot be listed gets one line with the
/// system's reason.
void DeleteRevisionFiles(std::string Directory, bool Delete);

#endif
