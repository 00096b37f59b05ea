// Removing revision files from a local repository.
#ifndef MORVELLAN_APP_REPOSITORY_H
#define MORVELLAN_APP_REPOSITORY_H

#include <string>

/// Reads Root and Repository of the administrative directory and, for a
/// ":local:" root only, handles the revision files of its repository directory
/// (DeleteRevisionFiles). MayDelete false keeps every revision file in live
/// mode, with one line saying so: the entries that name them are still there,
/// and CVS would take their disappearance for a removal. Throws EFOpenError
/// when Root, or Repository of a local root, cannot be opened.
void CleanRepository(const std::string& AdminDirectory, bool MayDelete);

/// Logs every revision file (a non-directory whose name holds ",v") of the
/// directory whose entry name (before the first ",v") is removable, and in
/// live mode, when MayDelete, clears its read-only bit and deletes it. A file
/// still there afterwards gets one more line. A directory that cannot be
/// listed is skipped silently.
void DeleteRevisionFiles(std::string Directory, bool MayDelete);

#endif
